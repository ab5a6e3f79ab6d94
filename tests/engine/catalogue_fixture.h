#pragma once
// A small device image with a run state on it, for the catalogue and discovery tests.

#include <memory>
#include <string>

#include "app/RunState.h"
#include "platform/Text.h"
#include "support/TempDevice.h"

namespace tidy::test {

// The registry text is given without its header line.
class CatalogueImage {
  public:
    explicit CatalogueImage(const std::string& toml = "", const std::string& reg = "")
        : dev(toml, "Windows Registry Editor Version 5.00\n\n" + reg) {}

    // Opens the image at the first call: files may be added before and after, the registry
    // only through the constructor.
    app::RunState& Run() {
        if (!run_) {
            image_ = dev.Open();
            run_ = std::make_unique<app::RunState>(*image_);
        }
        return *run_;
    }
    catalogue::CatalogueState& Cat() { return Run().catalogue; }

    // Logging into "\Program Files\Tidymatic\tidymatic.log", read back as it stands.
    void LogOn() {
        dev.MakeDir("\\Program Files\\Tidymatic");
        Run().flags.loggingOn = 1;
    }
    std::string Log() const { return dev.ReadFile("\\Program Files\\Tidymatic\\tidymatic.log"); }

    TempDevice dev;

  private:
    std::unique_ptr<platform::DeviceImage> image_;
    std::unique_ptr<app::RunState> run_;
};

inline std::string U8(const std::u16string& s) {
    return text::ToUtf8(s);
}

}  // namespace tidy::test
