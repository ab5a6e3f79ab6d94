// "files.dat": any bytes decode to a list without duplicates whatever the list held before,
// and that list encodes to bytes that decode to its storable entries (an empty line in the
// middle of a file is an entry, but one the program never writes back).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "customfiles/CustomFileList.h"

using namespace tidy::customfiles;

[[noreturn]] static void Fail(const char* why) {
    std::fprintf(stderr, "%s\n", why);
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CustomFileList list;
    DecodeCustomFileList(bytes, list);
    CustomFileList refilled{u"\\Temp\\old.txt", u"\\Temp\\*.tmp"};
    DecodeCustomFileList(bytes, refilled);
    if (refilled != list) Fail("decoding depends on what the list held before");

    std::set<CustomFileEntry> seen;
    CustomFileList storable;
    for (const auto& e : list) {
        if (!seen.insert(e).second) Fail("the decoded list holds a duplicate");
        if (e.find(u'\n') != std::u16string::npos || e.find(u'\0') != std::u16string::npos)
            Fail("a decoded entry holds a line end or a null");
        if (!e.empty()) storable.push_back(e);
    }
    CustomFileList again;
    DecodeCustomFileList(EncodeCustomFileList(list), again);
    if (again != storable) Fail("the list does not read back as written");
    return 0;
}
