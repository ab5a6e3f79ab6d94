// Walks of a big tree through the device image: measuring against `du`, emptying against
// `rm -rf`. Compare the pairs; the program's walks should cost close to the tools'.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/RunState.h"
#include "clean/Engine.h"
#include "platform/DeviceImage.h"

namespace {

namespace fs = std::filesystem;
using namespace tidy;

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 100;

struct Image {
    std::string dir;
    std::unique_ptr<platform::DeviceImage> device;
    std::unique_ptr<app::RunState> run;

    Image() {
        std::string templ = (fs::temp_directory_path() / "tidybench.XXXXXX").string();
        if (!::mkdtemp(templ.data())) std::abort();
        dir = templ;
        fs::create_directories(dir + "/fs/Temp");
        std::ofstream(dir + "/device.toml") << "sleep_scale = 0\n";
        std::string error;
        device = platform::DeviceImage::Open(dir, error);
        if (!device) std::abort();
        run = std::make_unique<app::RunState>(*device);
    }
    ~Image() {
        run.reset();
        device.reset();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string Temp() const { return dir + "/fs/Temp"; }
    // kFolders folders, each with a subfolder of kFilesPerFolder small files.
    void Fill() const {
        for (int d = 0; d < kFolders; ++d) {
            std::string folder = Temp() + "/cache" + std::to_string(d) + "/sub";
            fs::create_directories(folder);
            for (int f = 0; f < kFilesPerFolder; ++f) {
                std::ofstream(folder + "/entry" + std::to_string(f) + ".tmp") << "cached bytes";
            }
        }
    }
};

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) std::abort();
}

void BM_FolderSize(benchmark::State& state) {
    Image image;
    image.Fill();
    for (auto _ : state) {
        image.run->catalogue.itemSizes[0] = 0;
        clean::FolderSize(*image.run, u"\\Temp\\", 0);
        benchmark::DoNotOptimize(image.run->catalogue.itemSizes[0]);
    }
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}
BENCHMARK(BM_FolderSize)->Unit(benchmark::kMillisecond);

void BM_Du(benchmark::State& state) {
    Image image;
    image.Fill();
    for (auto _ : state) Shell("du -sb '" + image.Temp() + "' > /dev/null");
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}
BENCHMARK(BM_Du)->Unit(benchmark::kMillisecond);

void BM_DeleteFolderContents(benchmark::State& state) {
    Image image;
    for (auto _ : state) {
        state.PauseTiming();
        image.Fill();
        state.ResumeTiming();
        clean::DeleteFolderContents(*image.run, u"\\Temp\\", true);
    }
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}
BENCHMARK(BM_DeleteFolderContents)->Unit(benchmark::kMillisecond);

void BM_RmRf(benchmark::State& state) {
    Image image;
    for (auto _ : state) {
        state.PauseTiming();
        image.Fill();
        state.ResumeTiming();
        Shell("rm -rf '" + image.Temp() + "'/*");
    }
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}
BENCHMARK(BM_RmRf)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
