// tidymatic: runs the program on a device image, or prepares, boots or imports into one.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/MainApp.h"
#include "app/RunState.h"
#include "platform/DeviceImage.h"
#include "platform/SampleDevice.h"
#include "platform/Text.h"
#include "ui/framework/UiThread.h"
#include "ui/text/TextFrontEnd.h"
#include "ui/web/WebFrontEnd.h"

namespace {

using namespace tidy;

int Fail(const std::string& message) {
    std::cerr << "tidymatic: " << message << "\n";
    return 2;
}

int RunProgram(const app::Options& options) {
    std::string dir = options.device;
    std::u16string commandLine = text::FromUtf8(options.deviceCommandLine);
    // "-r", "-c" and "-n" end the program before anything is read.
    if (app::EndsAtOnce(commandLine)) return 0;

    std::string error;
    if (dir.empty()) {
        dir = app::DefaultDeviceDir();
        std::error_code ec;
        if (!std::filesystem::exists(dir, ec)) {
            std::filesystem::create_directories(std::filesystem::path(dir).parent_path(), ec);
            if (!platform::CreateSampleDevice(dir, error))
                return Fail("cannot create the sample device image in " + dir + ": " + error);
            std::cerr << "tidymatic: created a sample device image in " << dir << "\n";
        }
    }
    auto device = platform::DeviceImage::Open(dir, error);
    if (!device) return Fail(error);
    device->SetCommandLine(commandLine);
    platform::DeviceImage* image = device.get();
    device->SetResetHandler([image] {
        // The device restarts: what was flushed stays, the program ends, and the device boots
        // (its start-up shortcuts run, as on the handheld).
        std::string saveError;
        image->SaveRegistry(saveError);
        std::cout.flush();
        if (!image->BootDevice(saveError)) std::cerr << "tidymatic: boot: " << saveError << "\n";
        std::cout.flush();
        std::fflush(nullptr);
        _exit(0);
    });

    ui::UiThread ui(app::ScreenOf(*device));
    app::RunState run(*device, &ui);

    std::unique_ptr<ui::text::TextFrontEnd> textUi;
    std::unique_ptr<web::WebFrontEnd> webUi;
    if (options.ui == "text") {
        textUi = std::make_unique<ui::text::TextFrontEnd>(ui, nullptr, std::cout);
        textUi->Start();
    } else {
        webUi = web::MakeWebFrontEnd(ui, options.port, std::cout, error);
        if (!webUi) return Fail(error);
    }

    app::CMainApp application(run, ui);
    application.InitInstance();

    ui.Finish();
    if (textUi) textUi->Stop();
    if (webUi) webUi->Stop();
    ui.WaitForWorkers();
    if (!device->SaveRegistry(error)) return Fail(error);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    app::Options options;
    std::string error;
    if (!app::ParseCommandLine(args, options, error)) {
        std::cerr << "tidymatic: " << error << "\n\n" << app::UsageText();
        return 2;
    }
    switch (options.action) {
        case app::Options::Action::Help:
            std::cout << app::UsageText();
            return 0;
        case app::Options::Action::Version:
            std::cout << "tidymatic 1.3.1\n";
            return 0;
        case app::Options::Action::NewDevice:
            if (!platform::CreateSampleDevice(options.newDevice, error)) return Fail(error);
            std::cout << "Created a sample device image in " << options.newDevice << "\n";
            return 0;
        case app::Options::Action::Boot:
            if (!platform::DeviceImage::Boot(options.device, error)) return Fail(error);
            return 0;
        case app::Options::Action::ImportReg:
            if (!platform::DeviceImage::ImportReg(options.device, options.importFile, error))
                return Fail(error);
            return 0;
        case app::Options::Action::Run:
            return RunProgram(options);
    }
    return 0;
}
