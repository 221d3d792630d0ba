// The guard around every entry point from Qt.
#include "ui/error_guard.h"

#include "recording_dialogs.h"
#include "ui_test_support.h"

#include "core/errors.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace dg::ui {
namespace {

class ErrorGuardTest : public ::testing::Test {
protected:
    test::RecordingDialogs dialogs;
    std::vector<int> ended;
    ErrorGuard guard{dialogs, [this](int code) { ended.push_back(code); }};
};

TEST_F(ErrorGuardTest, ANormalActionShowsNothing)
{
    bool ran = false;
    EXPECT_TRUE(guard.run([&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ErrorGuardTest, UserErrorsGoToTheErrorBoxAndTheProgramRunsOn)
{
    EXPECT_FALSE(guard.run([] { throw IndexError(4); }));
    EXPECT_FALSE(guard.run([] { throw FileOpenError("/x/y.txt", "Permission denied"); }));
    EXPECT_FALSE(guard.run([] { throw std::runtime_error("plain"); }));
    EXPECT_FALSE(guard.run([] { throw 42; }));
    EXPECT_FALSE(guard.run([] { throw std::bad_alloc(); })); // in the system's words, not the library's
    EXPECT_EQ(dialogs.errors(), (QStringList{"リストのインデックスが範囲を超えています (4)",
                                             "ファイル \"/x/y.txt\". Permission denied は開けません", "plain",
                                             "予期しないエラーが発生しました。", "Cannot allocate memory"}));
    EXPECT_TRUE(ended.empty());
}

TEST_F(ErrorGuardTest, ASizeErrorIsAMessageAndEndsTheProgramWithCodeOne)
{
    EXPECT_FALSE(guard.run([] { throw SizeError(3, "3行目のサイズがエラーです。終了します。\rC:\\a,x"); }));
    EXPECT_EQ(dialogs.messages(), QStringList{"3行目のサイズがエラーです。終了します。\rC:\\a,x"});
    EXPECT_TRUE(dialogs.errors().isEmpty());
    EXPECT_EQ(ended, std::vector<int>{1});
}

TEST_F(ErrorGuardTest, AFailureWhileShowingTheBoxDoesNotEscape)
{
    class ThrowingDialogs : public test::RecordingDialogs {
        void error(const QString&) override { throw std::runtime_error("no box"); }
    } throwing;
    ErrorGuard noisy{throwing, {}};
    EXPECT_FALSE(noisy.run([] { throw UserError("x"); }));
}

} // namespace
} // namespace dg::ui
