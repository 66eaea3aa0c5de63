// A child for the process tests. It writes, NUL-separated, to the file named
// by $KV_PROBE_OUT: its working directory, $KV_PROBE_VALUE, its standard
// input (when $KV_PROBE_STDIN is set), then every argv entry. It waits for
// the file $KV_PROBE_WAIT_FOR to appear first, when that is set, and exits
// with $KV_PROBE_EXIT.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Long enough for any test, short enough that a lost probe goes away.
constexpr auto kLongestWait = std::chrono::seconds(60);

}  // namespace

int main(int argc, char** argv) {
    const std::string waitFor = Variable("KV_PROBE_WAIT_FOR");
    if (!waitFor.empty()) {
        const auto deadline = std::chrono::steady_clock::now() + kLongestWait;
        while (!std::filesystem::exists(waitFor) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    const std::string outPath = Variable("KV_PROBE_OUT");
    if (!outPath.empty()) {
        std::ofstream out(outPath, std::ios::binary);
        out << std::filesystem::current_path().string() << '\0';
        out << Variable("KV_PROBE_VALUE") << '\0';
        if (!Variable("KV_PROBE_STDIN").empty()) {
            out << std::string(std::istreambuf_iterator<char>(std::cin), {});
        }
        out << '\0';
        for (int i = 0; i < argc; ++i) out << argv[i] << '\0';
    }
    return std::atoi(Variable("KV_PROBE_EXIT").c_str());
}
