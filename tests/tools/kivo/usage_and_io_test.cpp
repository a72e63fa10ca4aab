// The command line itself, and inputs that cannot be read.

#include "tools/kivo/documents.h"
#include "tools/kivo/kivo_process.h"

#include <nlohmann/json.hpp>

namespace kivo::cli::testing {
namespace {

using Usage = KivoCLITest;
using UnreadableInput = KivoCLITest;

TEST_F(Usage, NoArgumentsPrintsUsageAndFails) {
    const auto r = runKivo({});
    EXPECT_FALSE(r.signaled);
    EXPECT_EQ(r.exitCode, 2);
    const std::string all = r.out + r.err;
    EXPECT_NE(all.find("Usage:"), std::string::npos) << all;
    EXPECT_NE(all.find("check"), std::string::npos) << all;
}

TEST_F(Usage, HelpListsTheCommandsAndSucceeds) {
    const auto r = runKivo({"--help"});
    EXPECT_EXITED_WITH(r, 0);
    EXPECT_NE(r.out.find("Usage:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("check"), std::string::npos) << r.out;
}

TEST_F(Usage, CheckHelpNamesItsOptions) {
    const auto r = runKivo({"check", "--help"});
    EXPECT_EXITED_WITH(r, 0);
    EXPECT_NE(r.out.find("--json"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("FILE"), std::string::npos) << r.out;
}

TEST_F(Usage, CheckWithoutFilesIsAUsageError) {
    const auto r = runKivo({"check"});
    EXPECT_EXITED_WITH(r, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
}

TEST_F(Usage, UnknownCommandIsAUsageError) {
    const auto r = runKivo({"frobnicate"});
    EXPECT_EXITED_WITH(r, 2);
    EXPECT_NE(r.err.find("frobnicate"), std::string::npos) << r.err;
}

TEST_F(Usage, UnknownOptionIsAUsageError) {
    writeDocument("weekly.kivo", weeklyV2);
    const auto r = runKivo({"check", "--yaml", "weekly.kivo"});
    EXPECT_EXITED_WITH(r, 2);
    EXPECT_EQ(r.out, "");
}

TEST_F(Usage, FileNamedLikeAnOptionIsCheckedAfterDoubleDash) {
    writeDocument("--json", weeklyV2);
    const auto r = runKivo({"check", "--", "--json"});
    EXPECT_EXITED_WITH(r, 0);
    EXPECT_EQ(r.out, "--json: ok \xE2\x80\x94 \"Weekly\" (version 2.0, 1 items)\n");
}

TEST_F(UnreadableInput, MissingFileIsAnIOError) {
    const auto r = runKivo({"check", "missing.kivo"});
    EXPECT_EXITED_WITH(r, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "kivo: cannot read missing.kivo: No such file or directory\n");
}

TEST_F(UnreadableInput, DirectoryIsAnIOError) {
    std::filesystem::create_directory(docs() / "folder");
    const auto r = runKivo({"check", "folder"});
    EXPECT_EXITED_WITH(r, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "kivo: cannot read folder: Is a directory\n");
}

TEST_F(UnreadableInput, FileWithoutReadPermissionIsAnIOError) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the superuser reads files regardless of their permissions";
    }
    const auto path = writeDocument("locked.kivo", weeklyV2);
    std::filesystem::permissions(path, std::filesystem::perms::none);
    const auto r = runKivo({"check", "locked.kivo"});
    EXPECT_EXITED_WITH(r, 2);
    EXPECT_EQ(r.err, "kivo: cannot read locked.kivo: Permission denied\n");
}

TEST_F(UnreadableInput, OtherFilesAreStillChecked) {
    writeDocument("a.kivo", weeklyV2);
    writeDocument("c.kivo", missingTitle);
    const auto r = runKivo({"check", "a.kivo", "missing.kivo", "c.kivo"});
    // The I/O error outranks the refused document.
    EXPECT_EXITED_WITH(r, 2);
    EXPECT_EQ(r.out, "a.kivo: ok \xE2\x80\x94 \"Weekly\" (version 2.0, 1 items)\n"
                     "c.kivo: KIVODocumentElement: Missing required attribute: title (line 1, column 0)\n");
    EXPECT_EQ(r.err, "kivo: cannot read missing.kivo: No such file or directory\n");
}

TEST_F(UnreadableInput, JSONReportLeavesOutFilesThatCouldNotBeRead) {
    writeDocument("a.kivo", weeklyV2);
    const auto r = runKivo({"check", "--json", "missing.kivo", "a.kivo"});
    EXPECT_EXITED_WITH(r, 2);
    const auto reports = nlohmann::ordered_json::parse(r.out, nullptr, false);
    ASSERT_TRUE(reports.is_array()) << r.out;
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0]["file"], "a.kivo");
    EXPECT_EQ(r.err, "kivo: cannot read missing.kivo: No such file or directory\n");
}

TEST_F(UnreadableInput, SingleUnreadableFileInJSONModePrintsNothing) {
    const auto r = runKivo({"check", "--json", "missing.kivo"});
    EXPECT_EXITED_WITH(r, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("missing.kivo"), std::string::npos);
}

} // namespace
} // namespace kivo::cli::testing
