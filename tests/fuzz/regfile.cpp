// Registry exports: any bytes are parsed; what parses is applied to a tree, written out, and
// the written text must parse again into the same tree.

#include "platform/RegFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/CodePage.h"

using namespace tidy::platform;

namespace {

const CodePage& Cp() {
    static std::unique_ptr<CodePage> cp = [] {
        std::string error;
        auto c = CodePage::Open(1252, error);
        if (!c) {
            std::fprintf(stderr, "code page: %s\n", error.c_str());
            std::abort();
        }
        return c;
    }();
    return *cp;
}

std::string Written(const std::vector<RegOp>& ops) {
    RegTree tree;
    for (const RegOp& op : ops) tree.Apply(op);
    return WriteRegFile(tree);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<RegOp> ops;
    std::string error;
    std::vector<std::string> skipped;
    if (!ParseRegFile(bytes, "fuzz.reg", Cp(), ops, error, &skipped)) {
        if (error.empty()) {
            std::fprintf(stderr, "a refused export gave no reason\n");
            std::abort();
        }
        return 0;
    }
    const std::string first = Written(ops);
    std::vector<RegOp> again;
    if (!ParseRegFile(first, "written.reg", Cp(), again, error)) {
        std::fprintf(stderr, "the written registry does not read back: %s\n", error.c_str());
        std::abort();
    }
    if (Written(again) != first) {
        std::fprintf(stderr, "the written registry reads back differently\n");
        std::abort();
    }
    return 0;
}
