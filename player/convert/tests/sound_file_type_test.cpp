#include "player/convert/sound_file_type.h"

#include <gtest/gtest.h>

#include <map>

#include "player/convert/tests/other_process_holder.h"
#include "player/convert/tests/sound_file_machines.h"

namespace vocna::testing {
namespace {

// The type of every first byte that names one; every other byte is 5.
const std::map<int, int> kNamedFirstBytes = {
    {0x05, 0}, {0x04, 1}, {0x03, 2}, {0x80, 3}, {0x40, 4},
};

class SoundFileTypeBase : public ::testing::Test {
  protected:
    void Use(const std::string& machine) { machine_ = MakeMachine(machine); }
    int Classify(const std::string& name) {
        return ReadSoundFileType(machine_->system(), machine_->PathOf(name));
    }
    std::unique_ptr<SoundFileMachine> machine_;
};

// On both machines.
class SoundFileTypeTest : public SoundFileTypeBase,
                          public ::testing::WithParamInterface<std::string> {
  protected:
    void SetUp() override { Use(GetParam()); }
};

// Where share modes keep other holders out.
class SoundFileTypeOnLinux : public SoundFileTypeBase {
  protected:
    void SetUp() override { Use("Linux"); }
};

// Where every call is recorded.
class SoundFileTypeOnSimulated : public SoundFileTypeBase {
  protected:
    void SetUp() override { Use("Simulated"); }
};

TEST_P(SoundFileTypeTest, EveryFirstByte) {
    for (int b = 0x00; b <= 0xFF; ++b) {
        const auto named = kNamedFirstBytes.find(b);
        const int expected = named == kNamedFirstBytes.end() ? 5 : named->second;
        machine_->Put("s.vrk", {static_cast<std::uint8_t>(b), 0x80, 0x05, 0x00});
        EXPECT_EQ(Classify("s.vrk"), expected) << "first byte " << b;
        EXPECT_EQ(ClassifyFirstByte(static_cast<std::uint8_t>(b)), expected) << "first byte " << b;
    }
    EXPECT_EQ(machine_->OpenHandles(), 0);
}

TEST_P(SoundFileTypeTest, FilesWithoutAFirstByteAreUnsupported) {
    machine_->Put("empty.vrk", {});
    EXPECT_EQ(Classify("empty.vrk"), 5);
    EXPECT_EQ(Classify("missing.vrk"), 5);
    EXPECT_EQ(machine_->OpenHandles(), 0);
}

TEST_F(SoundFileTypeOnSimulated, ReadsOnlyTheFirstByteWithFullSharing) {
    machine_->Put("s.vrk", {0x80, 0x05, 0x04});
    ASSERT_EQ(Classify("s.vrk"), 3);
    int opens = 0;
    for (const auto& call : static_cast<SimulatedFiles&>(*machine_).machine().Calls()) {
        if (call.function == "CreateFileA") {
            ++opens;
            EXPECT_EQ(call.access, win32::GENERIC_READ);
            EXPECT_EQ(call.share, win32::FILE_SHARE_READ | win32::FILE_SHARE_WRITE);
            EXPECT_EQ(call.creation, win32::OPEN_EXISTING);
        }
        if (call.function == "ReadFile") {
            EXPECT_EQ(call.size, 1u);
        }
    }
    EXPECT_EQ(opens, 1);
}

// Another process keeps the file open while sharing reading and writing:
// classification still reads it. A holder that shares nothing keeps it out.
TEST_F(SoundFileTypeOnLinux, OtherHolders) {
    machine_->Put("s.vrk", {0x04});
    const std::string path = machine_->PathOf("s.vrk");
    {
        OtherProcessHolder shared(path, win32::GENERIC_READ | win32::GENERIC_WRITE,
                                  win32::FILE_SHARE_READ | win32::FILE_SHARE_WRITE);
        ASSERT_TRUE(shared.held());
        EXPECT_EQ(Classify("s.vrk"), 1);
    }
    {
        OtherProcessHolder exclusive(path, win32::GENERIC_READ, 0);
        ASSERT_TRUE(exclusive.held());
        EXPECT_EQ(Classify("s.vrk"), 5);
    }
    EXPECT_EQ(Classify("s.vrk"), 1);
    EXPECT_EQ(machine_->OpenHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(Machines, SoundFileTypeTest, ::testing::Values("Linux", "Simulated"),
                         [](const auto& machine) { return machine.param; });

}  // namespace
}  // namespace vocna::testing
