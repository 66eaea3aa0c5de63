// Repacking a type-3 sound file against cp of the same file, in the same run:
// prints both throughputs, their ratio and the peak memory of each, both
// run as child processes of the same kind (fork, then the work).
//
// usage: repack_bench [SIZE_MIB [FOLDER [RUNS]]]   (100, the temporary folder, 5)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32/linux/linux_win32.h"
#include "player/convert/sound_file_repacker.h"
#include "player/convert/vrk_blocks.h"

namespace {

using Clock = std::chrono::steady_clock;

// Header, then blocks of varying bytes, written through one fixed buffer.
bool MakeSoundFile(const std::string& path, std::uint64_t blocks) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<char> header(vocna::kVrkHeaderBytes, 0);
    header[0] = static_cast<char>(vocna::kFrames10TypeByte);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    constexpr std::uint64_t kBlocksPerWrite = 2048;
    std::vector<char> chunk(kBlocksPerWrite * vocna::kVrkBlockBytes);
    for (std::uint64_t done = 0; done < blocks;) {
        const std::uint64_t n = std::min(kBlocksPerWrite, blocks - done);
        for (std::size_t i = 0; i < n * vocna::kVrkBlockBytes; ++i)
            chunk[i] = static_cast<char>((done * 7 + i * 13) & 0xFF);
        out.write(chunk.data(), static_cast<std::streamsize>(n * vocna::kVrkBlockBytes));
        done += n;
    }
    return static_cast<bool>(out);
}

struct Run {
    double seconds = 0;
    long peakKiB = 0;  // the peak resident memory of the process that did it
};

// Runs `work` in a child process, so that its peak memory is its own.
template <typename Work>
Run InChild(Work work) {
    const auto start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) ::_exit(work());
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    Run run{std::chrono::duration<double>(Clock::now() - start).count(), usage.ru_maxrss};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "a run failed (status %d)\n", status);
        std::exit(1);
    }
    return run;
}

Run Cp(const std::string& from, const std::string& to) {
    std::filesystem::remove(to);
    return InChild([&] {
        ::execlp("cp", "cp", from.c_str(), to.c_str(), static_cast<char*>(nullptr));
        return 127;
    });
}

// The same reads and writes as the repack, without the frames: what the
// file calls alone cost.
Run PlainCopy(const std::string& from, const std::string& to) {
    std::filesystem::remove(to);
    return InChild([&] {
        win32::linux_host::LinuxWin32Options options;
        options.blockDevices = false;
        win32::linux_host::LinuxWin32 system(options);
        win32::HANDLE in = system.CreateFileA(from.c_str(), win32::GENERIC_READ, 0, nullptr,
                                              win32::OPEN_EXISTING, 0, nullptr);
        win32::HANDLE out = system.CreateFileA(to.c_str(), win32::GENERIC_WRITE, 0, nullptr,
                                               win32::CREATE_ALWAYS, 0, nullptr);
        if (in == win32::INVALID_HANDLE_VALUE || out == win32::INVALID_HANDLE_VALUE) return 1;
        std::vector<std::uint8_t> chunk(vocna::SoundFileRepacker::kBlocksPerChunk *
                                        vocna::kVrkBlockBytes);
        win32::DWORD moved = 0;
        while (system.ReadFile(in, chunk.data(), static_cast<win32::DWORD>(chunk.size()), &moved,
                               nullptr) &&
               moved > 0) {
            win32::DWORD written = 0;
            if (!system.WriteFile(out, chunk.data(), moved, &written, nullptr)) return 1;
        }
        system.CloseHandle(in);
        system.CloseHandle(out);
        return 0;
    });
}

Run Repack(const std::string& from, const std::string& to) {
    std::filesystem::remove(to);
    return InChild([&] {
        win32::linux_host::LinuxWin32Options options;
        options.blockDevices = false;
        win32::linux_host::LinuxWin32 system(options);
        vocna::SoundFileRepacker repacker(system);
        int result = repacker.Open(from, to);
        if (result == vocna::kRepackDone) result = repacker.Run();
        return result == vocna::kRepackDone ? 0 : 1;
    });
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100;
    const std::filesystem::path folder =
        argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    if (mib == 0 || runs <= 0) {
        std::fprintf(stderr, "usage: repack_bench [SIZE_MIB [FOLDER [RUNS]]]\n");
        return 2;
    }
    const std::string base = (folder / ("repack-bench-" + std::to_string(::getpid()))).string();
    const std::string sound = base + ".vrk";
    const std::string copy = base + ".copy";
    const std::string bitstream = base + ".sbs";
    const std::uint64_t blocks = mib * 1024 * 1024 / vocna::kVrkBlockBytes;
    if (!MakeSoundFile(sound, blocks)) {
        std::fprintf(stderr, "cannot write %s\n", sound.c_str());
        return 1;
    }
    const std::uint64_t bytes = std::filesystem::file_size(sound);

    // Alternate the two so that both see the same state of the page cache.
    Cp(sound, copy);  // warms the cache
    Run bestCp{1e9, 0};
    Run bestRepack{1e9, 0};
    Run bestPlain{1e9, 0};
    for (int run = 0; run < runs; ++run) {
        const Run cp = Cp(sound, copy);
        const Run plain = PlainCopy(sound, copy);
        const Run repack = Repack(sound, bitstream);
        bestPlain.seconds = std::min(bestPlain.seconds, plain.seconds);
        bestCp.seconds = std::min(bestCp.seconds, cp.seconds);
        bestCp.peakKiB = std::max(bestCp.peakKiB, cp.peakKiB);
        bestRepack.seconds = std::min(bestRepack.seconds, repack.seconds);
        bestRepack.peakKiB = std::max(bestRepack.peakKiB, repack.peakKiB);
    }

    const double mibs = static_cast<double>(bytes) / (1024.0 * 1024.0);
    std::printf("file           %.1f MiB (%llu blocks)\n", mibs,
                static_cast<unsigned long long>(blocks));
    std::printf("cp             %8.1f MiB/s  peak memory %ld KiB (best of %d)\n",
                mibs / bestCp.seconds, bestCp.peakKiB, runs);
    std::printf("repack         %8.1f MiB/s  peak memory %ld KiB (best of %d)\n",
                mibs / bestRepack.seconds, bestRepack.peakKiB, runs);
    std::printf("plain copy     %8.1f MiB/s  (the same reads and writes, no repacking)\n",
                mibs / bestPlain.seconds);
    std::printf("ratio          %8.2f (repack / cp throughput, target >= 0.80)\n",
                bestCp.seconds / bestRepack.seconds);
    std::printf("plain ratio    %8.2f (plain copy / cp throughput)\n",
                bestCp.seconds / bestPlain.seconds);

    std::filesystem::remove(sound);
    std::filesystem::remove(copy);
    std::filesystem::remove(bitstream);
    return 0;
}
