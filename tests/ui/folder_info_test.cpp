// The texts of the folder-details box.
#include "ui/folder_info.h"

#include "core/encoding.h"

#include <gtest/gtest.h>

namespace dg::ui {
namespace {

TEST(FolderInfo, AttributeNamesFollowTheBitsInTheirFixedOrder)
{
    struct Case {
        const char* field;
        const char* names;
    };
    const Case cases[] = {
        {"16", "Directory "},
        {"2066", "Hidden Directory Compressed "},
        {"63", "ReadOnly Hidden System Directory Archive "},
        {"0", ""},
        {"128", ""},          // no listed bit
        {"abc", ""},          // not a number
        {"", ""},
        {"$812", "Hidden Directory Compressed "},
        {"-1", "ReadOnly Hidden System Directory Archive Compressed "},
        {"4294967296", ""},   // beyond 32 bits: not an integer
    };
    for (const auto& c : cases)
        EXPECT_EQ(attributeNames(c.field), c.names) << c.field;
}

TEST(FolderInfo, FolderDetailsShowTheFieldsUnchangedAndMissingOnesEmpty)
{
    FieldSplitter splitter;
    EXPECT_EQ(folderDetails(encoding::utf8ToSjis("\"C:\\My Docs\\表\",100,\"2020/01/02 03:04\",2024/05/06,16,extra"), splitter),
              "フォルダ　\t： C:\\My Docs\\表\r\r作成日付　\t： 2020/01/02 03:04\r更新日付　\t： 2024/05/06\r"
              "属性 (16)　\t： Directory ");
    EXPECT_EQ(folderDetails("C:\\A,100", splitter),
              "フォルダ　\t： C:\\A\r\r作成日付　\t： \r更新日付　\t： \r属性 ()　\t： ");
    EXPECT_EQ(folderDetails("", splitter), "フォルダ　\t： \r\r作成日付　\t： \r更新日付　\t： \r属性 ()　\t： ");
}

TEST(FolderInfo, DriveDetailsShowTheDriveAndItsUsageRate)
{
    FieldSplitter splitter;
    EXPECT_EQ(driveDetails("D:,2000000,45%", splitter), "ドライブ\t： D:\r\r使用率\t： 45%");
    EXPECT_EQ(driveDetails("D:", splitter), "ドライブ\t： D:\r\r使用率\t： ");
}

} // namespace
} // namespace dg::ui

namespace dg::ui {
namespace {

TEST(FolderInfo, Utf8PosixDetailsShowRealPathsAndReplaceInvalidBytes)
{
    FieldSplitter splitter;
    splitter.setEncoding(TextEncoding::Utf8);
    const ReportKind kind{TextEncoding::Utf8, PathKind::Posix};
    EXPECT_EQ(folderDetails("\"/home/alice/my docs\",1,\"2020/01/02 03:04:05\",\"2024/05/06 07:08:09\",16", splitter, kind),
              "フォルダ　\t： /home/alice/my docs\r\r作成日付　\t： 2020/01/02 03:04:05\r更新日付　\t： "
              "2024/05/06 07:08:09\r属性 (16)　\t： Directory ");
    EXPECT_TRUE(folderDetails("/home/\xE3\x81\x82\xFF,1,a,b,16", splitter, kind).starts_with(
        "フォルダ　\t： /home/あ\xEF\xBF\xBD\r\r"));
    EXPECT_EQ(driveDetails("\"/mnt/data disk:\",2000000,45%", splitter, kind), "ドライブ\t： /mnt/data disk\r\r使用率\t： 45%");
    EXPECT_EQ(driveDetails("/:,2000000,45%", splitter, kind), "ドライブ\t： /\r\r使用率\t： 45%");
}

} // namespace
} // namespace dg::ui
