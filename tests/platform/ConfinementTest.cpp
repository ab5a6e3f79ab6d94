// Nothing outside the image's fs/ folder is ever read, changed or deleted: links are not
// followed, ".." is refused, and a link swapped in during a walk does not redirect it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/Text.h"
#include "support/TempDevice.h"

using namespace tidy;
using platform::FindData;
using test::TempDevice;
namespace fs = std::filesystem;

namespace {

// A folder outside the image holding one file, which no operation may touch.
struct Outside {
    TempDevice holder;  // only for its temporary folder
    std::string dir = holder.dir + "/outside";
    std::string file = dir + "/secret.txt";
    Outside() {
        fs::create_directories(dir);
        test::WriteHostFile(file, "secret");
    }
    void ExpectUntouched() const {
        EXPECT_EQ(test::ReadHostFile(file), "secret");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    }
};

}  // namespace

TEST(Confinement, LinksAreEntriesNeverFollowed) {
    Outside out;
    TempDevice dev;
    dev.MakeDir("\\Temp");
    ASSERT_EQ(::symlink(out.file.c_str(), dev.HostPath("\\Temp\\filelink").c_str()), 0);
    ASSERT_EQ(::symlink(out.dir.c_str(), dev.HostPath("\\Temp\\dirlink").c_str()), 0);
    auto img = dev.Open();

    // Listed as plain files of size 0, also with a folders-only walk they do not appear.
    FindData d;
    auto h = img->FindFirst(u"\\Temp\\*.*", d);
    ASSERT_TRUE(h);
    int seen = 0;
    do {
        ++seen;
        EXPECT_EQ(d.attributes, platform::kAttrNormal) << text::ToUtf8(d.name);
        EXPECT_EQ(d.sizeLow, 0u);
    } while (h->Next(d));
    EXPECT_EQ(seen, 2);
    EXPECT_FALSE(img->FindFirst(u"\\Temp\\*.*", d, true));

    // Through the link: nothing can be seen, read, written, created or deleted.
    std::string bytes;
    platform::FileStatus st;
    uint32_t a;
    for (const char16_t* p : {u"\\Temp\\dirlink\\*.*", u"\\Temp\\DIRLINK\\*.*"})
        EXPECT_FALSE(img->FindFirst(p, d)) << text::ToUtf8(p);
    EXPECT_FALSE(img->GetAttributes(u"\\Temp\\DirLink\\secret.txt", a));
    EXPECT_FALSE(img->ReadFile(u"\\Temp\\filelink", bytes));
    EXPECT_FALSE(img->GetStatus(u"\\Temp\\filelink", st));
    EXPECT_FALSE(img->ReadFile(u"\\Temp\\dirlink\\secret.txt", bytes));
    EXPECT_FALSE(img->WriteFile(u"\\Temp\\filelink", "overwritten"));
    EXPECT_FALSE(img->AppendText(u"\\Temp\\filelink", "appended"));
    EXPECT_FALSE(img->CopyFile(u"\\Temp\\filelink", u"\\Temp\\copy", false));
    EXPECT_FALSE(img->WriteFile(u"\\Temp\\dirlink\\new.txt", "x"));
    EXPECT_FALSE(img->CreateDirectory(u"\\Temp\\dirlink\\NewDir"));
    EXPECT_FALSE(img->DeleteFile(u"\\Temp\\dirlink\\secret.txt"));
    EXPECT_FALSE(img->SetAttributes(u"\\Temp\\filelink", platform::kAttrReadOnly));
    EXPECT_FALSE(img->RemoveDirectory(u"\\Temp\\dirlink"));
    EXPECT_FALSE(img->CreateShortcut(u"\\Temp\\dirlink\\x.lnk", u"\\x.exe"));
    out.ExpectUntouched();

    // Deleting a link removes the link itself.
    EXPECT_TRUE(img->DeleteFile(u"\\Temp\\FileLink"));
    EXPECT_TRUE(img->DeleteFile(u"\\Temp\\dirlink"));
    EXPECT_FALSE(dev.Exists("\\Temp\\filelink"));
    EXPECT_FALSE(dev.Exists("\\Temp\\dirlink"));
    out.ExpectUntouched();
}

TEST(Confinement, DotDotAndHostLookingPathsStayInside) {
    Outside out;
    TempDevice dev;
    dev.WriteFile("\\Temp\\a.txt", "a");
    auto img = dev.Open();
    uint32_t a;
    std::string bytes;
    FindData d;
    const std::u16string rel =
        text::FromUtf8("\\..\\..\\" + fs::relative(out.file, dev.dir + "/fs").string());
    for (const std::u16string& p :
         {std::u16string(u"\\..\\device.toml"), std::u16string(u"\\Temp\\..\\..\\registry.reg"),
          std::u16string(u"\\Temp\\.\\a.txt"), std::u16string(u"/../device.toml"), rel,
          text::FromUtf8(out.file)}) {
        EXPECT_FALSE(img->GetAttributes(p, a)) << text::ToUtf8(p);
        EXPECT_FALSE(img->ReadFile(p, bytes)) << text::ToUtf8(p);
        EXPECT_FALSE(img->DeleteFile(p)) << text::ToUtf8(p);
        EXPECT_FALSE(img->WriteFile(p, "x")) << text::ToUtf8(p);
    }
    EXPECT_FALSE(img->FindFirst(u"\\Temp\\..\\*.*", d));
    EXPECT_FALSE(img->RemoveDirectory(u"\\"));
    EXPECT_FALSE(img->DeleteFile(u"\\"));
    // "\etc\passwd" is a path of the device, not of the host.
    EXPECT_FALSE(img->GetAttributes(u"\\etc\\passwd", a));
    EXPECT_TRUE(img->WriteFile(u"\\tmp.txt", "inside"));
    EXPECT_EQ(dev.ReadFile("\\tmp.txt"), "inside");
    out.ExpectUntouched();
    EXPECT_EQ(test::ReadHostFile(dev.dir + "/device.toml"), "sleep_scale = 0\n");
}

TEST(Confinement, FolderSwappedForALinkDuringAWalkIsNotEntered) {
    Outside out;
    TempDevice dev;
    dev.WriteFile("\\Temp\\Sub\\secret.txt", "inside copy");
    dev.WriteFile("\\Temp\\Sub\\other.txt", "x");
    auto img = dev.Open();
    FindData d;
    auto h = img->FindFirst(u"\\Temp\\Sub\\*.*", d);
    ASSERT_TRUE(h);
    // Between two steps of the walk the folder becomes a link to the outside folder.
    fs::rename(dev.HostPath("\\Temp\\Sub"), dev.HostPath("\\Temp\\Moved"));
    ASSERT_EQ(::symlink(out.dir.c_str(), dev.HostPath("\\Temp\\Sub").c_str()), 0);
    // The walk goes on in the folder it opened (now "\Temp\Moved", still inside the image),
    // as rm -rf does; the link is never gone through.
    do {
        EXPECT_TRUE(img->DeleteFile(u"\\Temp\\Sub\\" + d.name)) << text::ToUtf8(d.name);
    } while (h->Next(d));
    h.reset();
    EXPECT_FALSE(img->RemoveDirectory(u"\\Temp\\Sub"));
    // Once the walk is over the path is looked up again: it is a link, nothing to delete.
    dev.WriteFile("\\Temp\\Moved\\late.txt", "late");
    EXPECT_FALSE(img->DeleteFile(u"\\Temp\\Sub\\late.txt"));
    out.ExpectUntouched();
    EXPECT_FALSE(dev.Exists("\\Temp\\Moved\\secret.txt"));
    EXPECT_TRUE(dev.Exists("\\Temp\\Moved\\late.txt"));
    EXPECT_TRUE(dev.Exists("\\Temp\\Sub"));
}

TEST(Confinement, ImageWhoseFileSystemIsALinkIsRefused) {
    Outside out;
    TempDevice dev;
    fs::remove(dev.dir + "/fs");
    ASSERT_EQ(::symlink(out.dir.c_str(), (dev.dir + "/fs").c_str()), 0);
    std::string error;
    EXPECT_FALSE(platform::DeviceImage::Open(dev.dir, error));
    EXPECT_NE(error.find("fs"), std::string::npos) << error;
}
