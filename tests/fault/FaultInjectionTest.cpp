// The program killed at any step of a clean or of a registry save, and a full disk: the device
// image must stay one the program (and a person) can go on with.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "FaultInjection.h"
#include "platform/DeviceImage.h"
#include "platform/Text.h"

namespace tidy::test {
namespace {

namespace fs = std::filesystem;

const std::string kCleanAll = "menu Selection/Select All\nwait\ntap Clean\nanswer ok\nclose\n";

// The paths whose entries differ between two snapshots, one a line ("" when none do).
std::string Differences(const Snapshot& a, const Snapshot& b) {
    std::string out;
    for (const auto& [path, content] : a) {
        auto it = b.find(path);
        if (it == b.end())
            out += "only now: " + path + "\n";
        else if (it->second != content)
            out += "differs: " + path + "\n";
    }
    for (const auto& [path, content] : b)
        if (!a.count(path)) out += "missing: " + path + "\n";
    return out;
}

void ExpectImageOpens(const std::string& dir, const std::string& where) {
    std::string error;
    auto image = platform::DeviceImage::Open(dir, error);
    EXPECT_TRUE(image) << where << ": " << error;
}

// After a kill every file is either as it was, or one the run writes (perhaps more than once)
// and whole: the registry loads and a shortcut reads (the clean makes shortcuts of its own in
// the Start menu and removes them again). No torn file and no stray temporary.
void ExpectConsistent(const std::string& dir, const Snapshot& before, const std::string& where) {
    Snapshot now = TakeSnapshot(dir);
    std::string error;
    auto image = platform::DeviceImage::Open(dir, error);
    ASSERT_TRUE(image) << where << ": " << error;
    for (const auto& [path, content] : now) {
        auto b = before.find(path);
        if (b != before.end() && b->second == content) continue;
        if (path.size() > 4 && path.substr(path.size() - 4) == ".lnk") {
            std::u16string target;
            std::u16string device = text::FromUtf8("\\" + path.substr(3));
            for (auto& c : device)
                if (c == u'/') c = u'\\';
            EXPECT_TRUE(image->ReadShortcut(device, target)) << where << ": " << path;
        } else if (path.size() > 11 && path.substr(path.size() - 11) == ".tidymatic~") {
            // Finished content killed before it took its name: the next write of that file
            // removes it (the second run below shows it).
        } else {
            EXPECT_EQ(path, "registry.reg") << where << ": changed or stray";
        }
    }
}

TEST(FaultInjection, CleanKilledAtAnyDeletionLeavesAnImageTheNextCleanFinishes) {
    TempDevice holder, work, reference;
    const std::string sample = MakeSampleImage(holder);
    const Snapshot before = TakeSnapshot(sample);

    // The uninterrupted clean, traced: what the image looks like after it, and how many
    // deletions, renames and attribute changes it makes.
    CopyImage(sample, reference);
    const std::string trace = holder.dir + "/trace";
    auto r = RunInjected({}, {"--device", reference.dir, "--ui", "text"}, kCleanAll, trace);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_NE(r.out.find("Cleared!"), std::string::npos) << r.out;
    const Snapshot after = TakeSnapshot(reference.dir);
    ASSERT_NE(before, after);
    const auto calls = CallsInTrace(trace);
    ASSERT_GT(calls.size(), 20u);

    for (const TracedCall& call : KillPoints(calls, 12)) {
        const std::string where = "killed at " + call.name + " #" + std::to_string(call.nth);
        CopyImage(sample, work);
        r = RunInjected({call.name, "signal=KILL", call.nth},
                        {"--device", work.dir, "--ui", "text"}, kCleanAll);
        ASSERT_TRUE(Killed(r)) << where << "\n" << r.err;
        ExpectConsistent(work.dir, before, where);

        // Cleaning again finishes the job: the image ends as the uninterrupted run left it.
        r = RunTidymatic({"--device", work.dir, "--ui", "text"}, kCleanAll);
        EXPECT_EQ(r.exitCode, 0) << where << "\n" << r.err;
        EXPECT_EQ(Differences(TakeSnapshot(work.dir), after), "") << where;
        if (HasFailure()) break;  // one broken point tells enough
    }
}

// An export of many values, so the registry file is written in more than one piece.
std::string LargeExport() {
    std::string reg = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Imported]\n";
    for (int i = 0; i < 3000; ++i)
        reg += "\"Value" + std::to_string(i) + "\"=\"" + std::string(40, 'a' + i % 26) + "\"\n";
    reg += "\n[-HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer]\n";
    return reg;
}

TEST(FaultInjection, RegistrySaveKilledAtAnyStepLeavesTheOldOrTheNewRegistry) {
    TempDevice holder, work, reference;
    const std::string sample = MakeSampleImage(holder);
    const std::string exportFile = holder.dir + "/export.reg";
    WriteHostFile(exportFile, LargeExport());
    const Snapshot before = TakeSnapshot(sample);

    // Every call that opens, writes, syncs, names or closes a file is a step of the save.
    const std::string steps = "openat,write,fsync,fdatasync,flock,linkat,renameat,unlinkat,close";
    CopyImage(sample, reference);
    const std::string trace = holder.dir + "/trace";
    auto r = RunInjected({steps, "", 0}, {"--device", reference.dir, "--import-reg", exportFile},
                         "", trace);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Snapshot after = TakeSnapshot(reference.dir);
    ASSERT_NE(before.at("registry.reg"), after.at("registry.reg"));
    // The save starts where the lock file is opened; every call from there on is a step.
    auto calls = CallsInTrace(trace);
    auto lock = std::find_if(calls.begin(), calls.end(), [](const TracedCall& c) {
        return c.line.find("registry.lock") != std::string::npos;
    });
    ASSERT_NE(lock, calls.end());
    calls.erase(calls.begin(), lock);

    for (const TracedCall& call : KillPoints(calls, 40)) {
        const std::string where = "killed at " + call.name + " #" + std::to_string(call.nth);
        CopyImage(sample, work);
        r = RunInjected({call.name, "signal=KILL", call.nth},
                        {"--device", work.dir, "--import-reg", exportFile});
        if (!Killed(r)) {
            // The sanitizers' own calls vary in number: the run got past its last step.
            EXPECT_EQ(r.exitCode, 0) << where << "\n" << r.err;
            EXPECT_EQ(Differences(TakeSnapshot(work.dir), after), "") << where;
            continue;
        }
        Snapshot now = TakeSnapshot(work.dir);
        const std::string& reg = now["registry.reg"];
        EXPECT_TRUE(reg == before.at("registry.reg") || reg == after.at("registry.reg")) << where;
        // A content that was complete but not yet renamed may stay under its hidden name;
        // nothing partial does.
        for (const auto& [path, content] : now) {
            if (path == ".registry.reg.tidymatic~")
                EXPECT_EQ(content, after.at("registry.reg")) << where << ": " << path;
            else
                EXPECT_TRUE(before.count(path)) << where << ": " << path;
        }
        ExpectImageOpens(work.dir, where);
        if (HasFailure()) break;
    }
}

// Two ways a disk is full: no file may grow past room (the write fails part way), or the data
// is written but flushing it fails.
struct FullDisk {
    const char* name;
    Injection inj;
    RunLimits limits;
};
std::vector<FullDisk> FullDiskCases(long long room) {
    return {{"writes fail", {}, RunLimits{room}}, {"sync fails", {"fsync", "error=ENOSPC", 0}, {}}};
}

TEST(FaultInjection, FullDiskKeepsTheOldRegistryAndSaysSo) {
    TempDevice holder, work;
    const std::string sample = MakeSampleImage(holder);
    const std::string exportFile = holder.dir + "/export.reg";
    WriteHostFile(exportFile, LargeExport());
    const Snapshot before = TakeSnapshot(sample);
    const auto size = static_cast<long long>(before.at("registry.reg").size());

    // No room for a file bigger than the registry is now.
    for (const FullDisk& c : FullDiskCases(size)) {
        CopyImage(sample, work);
        auto r = RunInjected(c.inj, {"--device", work.dir, "--import-reg", exportFile}, "", "",
                             c.limits);
        EXPECT_NE(r.exitCode, 0) << c.name;
        EXPECT_NE(r.err.find("registry.reg"), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(Differences(TakeSnapshot(work.dir), before), "") << c.name;
        ExpectImageOpens(work.dir, c.name);
    }
}

// The list file's form: UTF-16 code units, little-endian.
std::string Utf16(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

TEST(FaultInjection, FullDiskKeepsTheOldCustomFileList) {
    TempDevice holder, pristine, work;
    const std::string sample = MakeSampleImage(holder);
    const std::string list = "\\Program Files\\Tidymatic\\files.dat";
    const std::string old = Utf16("\\Cache\\*.dat\r\n");
    CopyImage(sample, pristine);
    pristine.WriteFile(list, old);
    const Snapshot before = TakeSnapshot(pristine.dir);
    const std::string addAndSave =
        "menu Options/Custom Files\ntap 1036\ntree My Device/My Documents/Personal\ntap OK\n"
        "type 1033 *.tmp\ntap 1037\ntap Save\n";

    // The same script with room on the disk saves the list: the script does reach the save.
    {
        TempDevice roomy;
        CopyImage(pristine.dir, roomy);
        auto r = RunTidymatic({"--device", roomy.dir, "--ui", "text"}, addAndSave);
        ASSERT_NE(r.out.find("Custom file list has been saved."), std::string::npos) << r.out;
        EXPECT_EQ(roomy.ReadFile(list), old + Utf16("\\My Documents\\Personal\\*.tmp\r\n"));
    }
    for (const FullDisk& c : FullDiskCases(static_cast<long long>(old.size()))) {
        CopyImage(pristine.dir, work);
        auto r =
            RunInjected(c.inj, {"--device", work.dir, "--ui", "text"}, addAndSave, "", c.limits);
        EXPECT_EQ(r.out.find("has been saved"), std::string::npos) << c.name << ": " << r.out;
        // The old list, and no partial file beside it.
        EXPECT_EQ(Differences(TakeSnapshot(work.dir), before), "") << c.name;
    }
}

}  // namespace
}  // namespace tidy::test
