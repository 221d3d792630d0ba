// What the window's partner link puts into and takes out of the frames: the hand-shake's payload
// with its optional geometry, and the request each frame becomes.
#include "ui/endpoint_partner_link.h"
#include "ui/file_name.h"

#include <gtest/gtest.h>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace dg::ui {
namespace {

using partner::Frame;
using partner::MessageNumber;

TEST(SetPartnerPayload, TheTitleTravelsWithTheGeometryOnALineOfItsOwn)
{
    EXPECT_EQ(composeSetPartnerPayload("Dirgauge - /r/新.txt", QRect(-5, 20, 450, 669)),
              "Dirgauge - /r/新.txt\n-5,20,450,669");
    EXPECT_EQ(composeSetPartnerPayload("Dirgauge - /r/a.txt", std::nullopt), "Dirgauge - /r/a.txt");

    struct Case {
        std::string payload;
        QString title;
        std::optional<QRect> geometry;
    };
    const Case cases[] = {
        {"Dirgauge - /r/新.txt\n-5,20,450,669", "Dirgauge - /r/新.txt", QRect(-5, 20, 450, 669)},
        {"Dirgauge - /r/a.txt", "Dirgauge - /r/a.txt", std::nullopt},
        // A title with line feeds of its own: only the last line may be the geometry.
        {"Dirgauge - /r/a\nb.txt\n1,2,3,4", "Dirgauge - /r/a\nb.txt", QRect(1, 2, 3, 4)},
        {"Dirgauge - /r/a\n1,2,3,4.txt", "Dirgauge - /r/a\n1,2,3,4.txt", std::nullopt},
        // Anything short of four integers, a size of 0 or less, or a number beyond int: a title.
        {"T\n1,2,3", "T\n1,2,3", std::nullopt},
        {"T\n1,2,3,4,5", "T\n1,2,3,4,5", std::nullopt},
        {"T\n1,2,0,4", "T\n1,2,0,4", std::nullopt},
        {"T\n1,2,3,-4", "T\n1,2,3,-4", std::nullopt},
        {"T\n1, 2,3,4", "T\n1, 2,3,4", std::nullopt},
        {"T\n1,2,3,4 ", "T\n1,2,3,4 ", std::nullopt},
        {"T\n99999999999,2,3,4", "T\n99999999999,2,3,4", std::nullopt},
        {"T\n", "T\n", std::nullopt},
        {"", "", std::nullopt},
        // Bytes that are not UTF-8 (of a file name) are kept as such, never refused.
        {"Dirgauge - \xFF\xFE", fileNameText("Dirgauge - \xFF\xFE"), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload);
        const SetPartnerPayload parsed = parseSetPartnerPayload(c.payload);
        EXPECT_EQ(parsed.senderTitle, c.title);
        EXPECT_EQ(parsed.geometry, c.geometry);
    }
}

TEST(PartnerRequestFromFrame, EachRequestBecomesItsKindAndAnswersBecomeNothing)
{
    const auto tree = requestFromFrame(Frame{MessageNumber::CopyData, 7, 1, 0x40000003u, "C:\\\x94\x5C"});
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->kind, PartnerRequest::Kind::TreeEvent);
    EXPECT_EQ(tree->eventWord, 0x40000003u);
    EXPECT_EQ(tree->path, "C:\\\x94\x5C");

    const auto hand = requestFromFrame(Frame{MessageNumber::SetPartner, 7, 1, 0, "Dirgauge - /a\n0,0,450,600"});
    ASSERT_TRUE(hand);
    EXPECT_EQ(hand->kind, PartnerRequest::Kind::SetPartner);
    EXPECT_EQ(hand->senderTitle, "Dirgauge - /a");
    EXPECT_EQ(hand->geometry, QRect(0, 0, 450, 600));

    const std::pair<MessageNumber, PartnerRequest::Kind> plain[] = {
        {MessageNumber::ReloadComp, PartnerRequest::Kind::ReloadComp},
        {MessageNumber::ReloadDebug, PartnerRequest::Kind::ReloadDebug},
        {MessageNumber::ReloadSynchro, PartnerRequest::Kind::ReloadSynchro},
        {MessageNumber::Close, PartnerRequest::Kind::Close},
    };
    for (const auto& [number, kind] : plain) {
        const auto request = requestFromFrame(Frame{number, 1, 1, 0, {}});
        ASSERT_TRUE(request);
        EXPECT_EQ(request->kind, kind);
    }
    EXPECT_FALSE(requestFromFrame(Frame{MessageNumber::Reply, 1, 1, 0, {}}));
    EXPECT_FALSE(requestFromFrame(Frame{MessageNumber::Working, 1, 1, 0, {}}));
}

} // namespace
} // namespace dg::ui
