// The real viewer process on the offscreen platform, with no boxes shown (the test hook writes
// them to standard error): what it says about files it cannot load, and the bytes of a file name
// given on its command line.
#include "core/encoding.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <locale.h>

namespace dg {
namespace {

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (const char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class ViewerProcessTest : public ::testing::Test {
protected:
    struct Run {
        int status = -1;
        std::string err;
    };

    // Runs the viewer on file with the script "Exit1" (it ends once its window is shown);
    // prefix goes before it in the shell command (limits), env into its environment. options go
    // before the file name.
    Run runViewer(const std::string& file, const std::string& env = "LC_ALL=C", const std::string& prefix = {},
                  const std::string& options = {})
    {
        const std::string script = dir.file("script.txt", "Exit1\n");
        const std::string err = (dir.path() / "err").string();
        const std::string cmd = prefix + "env -u LANGUAGE QT_QPA_PLATFORM=offscreen DIRGAUGE_CONFIG_DIR=" +
                                quoted(dir.path().string()) + " DIRGAUGE_TEST_SCRIPT=" + quoted(script) + " " + env +
                                 " timeout 60 " + quoted(DG_VIEWER) + " " + options + quoted(file) + " >/dev/null 2>" + quoted(err) +
                                " </dev/null";
        const int raw = std::system(cmd.c_str());
        Run r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::ifstream in(err, std::ios::binary);
        r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return r;
    }

    static bool has(const Run& r, const std::string& text) { return r.err.find(text) != std::string::npos; }

    test::TempDir dir;
};

TEST_F(ViewerProcessTest, MemoryRunningOutAndTheSystemsReasonAreToldInWords)
{
    // A sparse file of 4 GiB under a 2 GiB address-space limit: its buffer cannot be had.
    const std::string big = dir.file("big.txt", "");
    ASSERT_EQ(::truncate(big.c_str(), off_t{4} << 30), 0);
    Run r = runViewer(big, "LC_ALL=C", "ulimit -v 2000000; ");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r, "dirgauge: error: ファイル \"" + big + "\". Cannot allocate memory は開けません\n")) << r.err;

    // The system's reason in the user's language, where the C library has it.
    const std::string missing = (dir.path() / "missing.txt").string();
    r = runViewer(missing);
    EXPECT_TRUE(has(r, "dirgauge: error: ファイル \"" + missing + "\". No such file or directory は開けません\n")) << r.err;
    // In English: DIRGAUGE_LANG, or the locale when DIRGAUGE_LANG is neither ja nor en.
    for (const char* english : {"LC_ALL=C DIRGAUGE_LANG=en", "LC_ALL=C DIRGAUGE_LANG="}) {
        r = runViewer(missing, english);
        EXPECT_TRUE(has(r, "dirgauge: error: File \"" + missing + "\" cannot be opened. No such file or directory\n"))
            << english << ": " << r.err;
    }
    const locale_t japanese = ::newlocale(LC_ALL_MASK, "ja_JP.UTF-8", static_cast<locale_t>(nullptr));
    if (japanese == static_cast<locale_t>(nullptr))
        GTEST_SKIP() << "the ja_JP.UTF-8 locale is not generated (scripts/setup-deps generates it as root): "
                        "the Japanese system texts are not checked";
    const std::string reason = ::strerror_l(ENOENT, japanese);
    ::freelocale(japanese);
    r = runViewer(missing, "LC_ALL=ja_JP.UTF-8");
    EXPECT_TRUE(has(r, "dirgauge: error: ファイル \"" + missing + "\". " + reason + " は開けません\n")) << r.err;
}

TEST_F(ViewerProcessTest, AFileNameOfShiftJisBytesOrAfterTheEndOfOptionsIsOpened)
{
    const std::string name = "\x93\xfa\x96\x7b.txt"; // 日本.txt in Shift-JIS
    std::string report;
    for (const char* line : {"MYPC CHECK START AT 2024/05/01 10:20:30", "C:,511101108224,33%",
                             "C:\\,118101360871,\"2019/04/01 09:12:44\",\"2024/05/01 09:58:41\",22", "END"})
        report += std::string(line) + "\r\n";
    const std::string path = dir.file(name, report);
    const Run r = runViewer(path);
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(has(r, "dirgauge: error:")) << r.err;
    // The settings keep the name's bytes as the name the viewer showed.
    std::ifstream ini(dir.path() / "dirgauge.ini", std::ios::binary);
    const std::string settings((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
    EXPECT_NE(settings.find(path), std::string::npos) << settings;

    // After "--" a name that Qt would take for its own option (-reverse) is a file name; the
    // comparison-source viewer is started that way.
    const std::string dashed = dir.file("-reverse", report);
    const Run d = runViewer(dashed.substr(dashed.rfind('/') + 1), "LC_ALL=C", "cd " + quoted(dir.path().string()) + " && ", "-- ");
    EXPECT_EQ(d.status, 0);
    EXPECT_FALSE(has(d, "dirgauge: error:")) << d.err;
    std::ifstream after(dir.path() / "dirgauge.ini", std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(after)), std::istreambuf_iterator<char>());
    EXPECT_NE(saved.find(dashed), std::string::npos) << saved;
}

} // namespace
} // namespace dg
