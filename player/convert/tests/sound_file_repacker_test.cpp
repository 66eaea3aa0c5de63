#include "player/convert/sound_file_repacker.h"

#include <gtest/gtest.h>

#include <numeric>

#include "player/convert/tests/faulty_files.h"
#include "player/convert/tests/other_process_holder.h"
#include "player/convert/tests/sound_file_machines.h"

namespace vocna::testing {
namespace {

constexpr std::size_t kHeader = 512;
constexpr std::size_t kBlock = 512;
// Blocks the repacker moves per call: the cases below straddle its chunks.
constexpr std::size_t kChunk = SoundFileRepacker::kBlocksPerChunk;
// Three chunks, the last one short.
constexpr std::size_t kThreeChunks = 2 * kChunk + 88;

// A sound file: first byte, 511 header bytes of `headerFill`, `blocks` blocks
// and `tail` bytes of a partial block. Block 0 holds the bytes 0, 1, 2, ...
// (each its offset in the block, modulo 256); block i is that shifted by 7i.
Bytes SoundFile(std::uint8_t firstByte, std::size_t blocks, std::size_t tail = 0,
                std::uint8_t headerFill = 0x00) {
    Bytes file(kHeader, headerFill);
    file[0] = firstByte;
    for (std::size_t i = 0; i < blocks; ++i)
        for (std::size_t j = 0; j < kBlock; ++j)
            file.push_back(static_cast<std::uint8_t>(j + 7 * i));
    file.insert(file.end(), tail, 0xEE);
    return file;
}

// The bitstream by the layout's rule: per 10-byte frame, output byte 2k is
// input byte k and output byte 2k+1 is input byte k+5; the block's last two
// bytes are dropped.
Bytes ExpectedBitstream(const Bytes& file, std::size_t blocks) {
    Bytes out;
    for (std::size_t i = 0; i < blocks; ++i) {
        const std::uint8_t* block = file.data() + kHeader + i * kBlock;
        for (std::size_t frame = 0; frame < 51; ++frame)
            for (std::size_t k = 0; k < 5; ++k) {
                out.push_back(block[frame * 10 + k]);
                out.push_back(block[frame * 10 + k + 5]);
            }
    }
    return out;
}

class RepackBase : public ::testing::Test {
  protected:
    void Use(const std::string& machine) { machine_ = MakeMachine(machine); }
    int Repack(win32::Win32& system, const std::string& sound = "s.vrk",
               const std::string& bitstream = "temp.sbs") {
        SoundFileRepacker repacker(system);
        const int opened = repacker.Open(machine_->PathOf(sound), machine_->PathOf(bitstream));
        if (opened != kRepackDone) return opened;
        return repacker.Run();
    }
    int Repack() { return Repack(machine_->system()); }
    std::optional<Bytes> Bitstream() const { return machine_->Contents("temp.sbs"); }
    std::unique_ptr<SoundFileMachine> machine_;
};

// On both machines.
class RepackTest : public RepackBase, public ::testing::WithParamInterface<std::string> {
  protected:
    void SetUp() override { Use(GetParam()); }
};

// Where share modes keep other holders out.
class RepackOnLinux : public RepackBase {
  protected:
    void SetUp() override { Use("Linux"); }
};

// Where every call is recorded.
class RepackOnSimulated : public RepackBase {
  protected:
    void SetUp() override { Use("Simulated"); }
};

TEST_P(RepackTest, InterleavesTheHalvesOfEveryFrame) {
    machine_->Put("s.vrk", SoundFile(0x80, 1));
    ASSERT_EQ(Repack(), kRepackDone);
    const Bytes out = *Bitstream();
    ASSERT_EQ(out.size(), 510u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 10), (Bytes{0, 5, 1, 6, 2, 7, 3, 8, 4, 9}));
    EXPECT_EQ(Bytes(out.begin() + 10, out.begin() + 20),
              (Bytes{10, 15, 11, 16, 12, 17, 13, 18, 14, 19}));
    // The last frame holds the bytes 500 ... 509; 510 and 511 are dropped.
    EXPECT_EQ(Bytes(out.end() - 10, out.end()),
              (Bytes{244, 249, 245, 250, 246, 251, 247, 252, 248, 253}));
}

struct LengthCase {
    std::size_t blocks;
    std::size_t tail;
    std::size_t expectedBytes;
};

TEST_P(RepackTest, CompleteBlocksOnly) {
    const LengthCase cases[] = {
        {0, 0, 0},  // 512 bytes: the header alone
        {0, 1, 0},
        {0, 511, 0},  // 1023 bytes
        {1, 0, 510},
        {1, 1, 510},
        {1, 511, 510},
        {2, 0, 1020},
        {kChunk - 1, 3, (kChunk - 1) * 510},
        {kChunk, 0, kChunk * 510},
        {kChunk + 1, 100, (kChunk + 1) * 510},
        {kThreeChunks, 511, kThreeChunks * 510},
    };
    for (const auto& c : cases) {
        const Bytes file = SoundFile(0x80, c.blocks, c.tail);
        machine_->Put("s.vrk", file);
        ASSERT_EQ(Repack(), kRepackDone) << file.size() << " bytes";
        const Bytes out = *Bitstream();
        EXPECT_EQ(out.size(), c.expectedBytes) << file.size() << " bytes";
        EXPECT_EQ(out, ExpectedBitstream(file, c.blocks)) << file.size() << " bytes";
        EXPECT_EQ(machine_->OpenHandles(), 0);
        EXPECT_EQ(machine_->Contents("s.vrk"), file);
    }
}

TEST_P(RepackTest, ShortFilesGiveAnEmptyBitstream) {
    for (std::size_t size : {1u, 2u, 511u, 512u, 513u, 1000u, 1023u}) {
        Bytes file(size, 0x33);
        file[0] = 0x80;
        machine_->Put("s.vrk", file);
        machine_->Put("temp.sbs", Bytes(77, 1));  // an older bitstream goes
        ASSERT_EQ(Repack(), kRepackDone) << size;
        EXPECT_EQ(Bitstream(), Bytes{}) << size;
    }
}

TEST_P(RepackTest, HeaderBytesHaveNoInfluence) {
    const Bytes plain = SoundFile(0x80, 3, 20, 0x00);
    Bytes noisy = SoundFile(0x80, 3, 20, 0xA5);
    for (std::size_t i = 1; i < kHeader; ++i) noisy[i] = static_cast<std::uint8_t>(i * 31 + 9);
    machine_->Put("s.vrk", plain);
    ASSERT_EQ(Repack(), kRepackDone);
    const Bytes fromPlain = *Bitstream();
    machine_->Put("s.vrk", noisy);
    ASSERT_EQ(Repack(), kRepackDone);
    EXPECT_EQ(*Bitstream(), fromPlain);
    EXPECT_EQ(fromPlain, ExpectedBitstream(plain, 3));
}

TEST_P(RepackTest, WrongFirstByteLeavesAnEmptyBitstream) {
    for (int first : {0x05, 0x04, 0x03, 0x40, 0x50, 0x00, 0x81, 0xFF}) {
        machine_->Put("s.vrk", SoundFile(static_cast<std::uint8_t>(first), 2));
        machine_->Put("temp.sbs", Bytes(100, 0x42));
        EXPECT_EQ(Repack(), kRepackNotFrames10) << first;
        EXPECT_EQ(Bitstream(), Bytes{}) << first;
        EXPECT_EQ(machine_->OpenHandles(), 0);
    }
    machine_->Put("s.vrk", {});
    EXPECT_EQ(Repack(), kRepackNotFrames10);
    EXPECT_EQ(Bitstream(), Bytes{});
    EXPECT_EQ(machine_->OpenHandles(), 0);
}

TEST_P(RepackTest, MissingSoundFileCreatesNothing) {
    EXPECT_EQ(Repack(), kRepackNoSoundFile);
    EXPECT_EQ(Bitstream(), std::nullopt);
    EXPECT_EQ(machine_->OpenHandles(), 0);
}

TEST_P(RepackTest, UncreatableBitstreamClosesTheSoundFile) {
    machine_->Put("s.vrk", SoundFile(0x80, 2));
    FaultyFiles faulty(machine_->system());
    faulty.refuseCreate = machine_->PathOf("temp.sbs");
    EXPECT_EQ(Repack(faulty), kRepackNoBitstream);
    EXPECT_EQ(Bitstream(), std::nullopt);
    EXPECT_EQ(machine_->OpenHandles(), 0);
    // Closed again: a second repack may take it.
    EXPECT_EQ(Repack(), kRepackDone);
}

TEST_F(RepackOnSimulated, OpensBothFilesWithoutSharing) {
    auto* simulated = static_cast<SimulatedFiles*>(machine_.get());
    machine_->Put("s.vrk", SoundFile(0x80, 3, 100));
    simulated->machine().ClearCalls();
    ASSERT_EQ(Repack(), kRepackDone);
    std::vector<win32::sim::Call> opens;
    DWORD requested = 0;
    for (const auto& call : simulated->machine().Calls()) {
        if (call.function == "CreateFileA") opens.push_back(call);
        if (call.function == "ReadFile") requested += call.size;
    }
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].name, machine_->PathOf("s.vrk"));
    EXPECT_EQ(opens[0].access, win32::GENERIC_READ);
    EXPECT_EQ(opens[0].share, 0u);
    EXPECT_EQ(opens[0].creation, win32::OPEN_EXISTING);
    EXPECT_EQ(opens[1].name, machine_->PathOf("temp.sbs"));
    EXPECT_EQ(opens[1].access, win32::GENERIC_WRITE);
    EXPECT_EQ(opens[1].share, 0u);
    EXPECT_EQ(opens[1].creation, win32::CREATE_ALWAYS);
    // The first byte, then the three blocks: the partial block is never asked for.
    EXPECT_EQ(requested, 1u + 3u * 512u);
}

struct FaultCase {
    const char* what;
    int failRead;
    int failWrite;
    bool failSize;
    DWORD extraSize;
    bool failWrittenClose;
};

// A failure in the middle: both files closed, the sound file untouched, and
// no partial bitstream left behind that could be decoded as if whole.
TEST_P(RepackTest, FailuresInTheMiddleLeaveNoBitstream) {
    const FaultCase cases[] = {
        {"first byte unreadable", 1, 0, false, 0, false},
        {"first chunk unreadable", 2, 0, false, 0, false},
        {"second chunk unreadable", 3, 0, false, 0, false},
        {"last chunk unreadable", 4, 0, false, 0, false},
        {"first chunk unwritable", 0, 1, false, 0, false},
        {"second chunk unwritable", 0, 2, false, 0, false},
        {"size unknown", 0, 0, true, 0, false},
        {"file shorter than its size", 0, 0, false, 512, false},
        {"closing the bitstream fails", 0, 0, false, 0, true},
    };
    const Bytes file = SoundFile(0x80, kThreeChunks, 9);
    for (const auto& c : cases) {
        machine_->Put("s.vrk", file);
        machine_->Put("temp.sbs", Bytes(10, 1));
        FaultyFiles faulty(machine_->system());
        faulty.failRead = c.failRead;
        faulty.failWrite = c.failWrite;
        faulty.failSize = c.failSize;
        faulty.extraSize = c.extraSize;
        faulty.failWrittenClose = c.failWrittenClose;
        EXPECT_EQ(Repack(faulty), kRepackReadWriteError) << c.what;
        EXPECT_EQ(Bitstream(), std::nullopt) << c.what;
        EXPECT_EQ(machine_->OpenHandles(), 0) << c.what;
        EXPECT_EQ(machine_->Contents("s.vrk"), file) << c.what;
    }
}

TEST_P(RepackTest, PartialTransfersStillGiveTheWholeBitstream) {
    const Bytes file = SoundFile(0x80, 300, 5);
    machine_->Put("s.vrk", file);
    FaultyFiles faulty(machine_->system());
    faulty.halveTransfers = true;
    ASSERT_EQ(Repack(faulty), kRepackDone);
    EXPECT_EQ(*Bitstream(), ExpectedBitstream(file, 300));
    EXPECT_EQ(machine_->OpenHandles(), 0);
}

// Held by another process, with or without sharing: the repack wants the
// sound file to itself, and does not write over a bitstream in use.
TEST_F(RepackOnLinux, OtherHolders) {
    const Bytes file = SoundFile(0x80, 2);
    machine_->Put("s.vrk", file);
    for (win32::DWORD share : {win32::DWORD{0}, win32::FILE_SHARE_READ | win32::FILE_SHARE_WRITE}) {
        OtherProcessHolder holder(machine_->PathOf("s.vrk"), win32::GENERIC_READ, share);
        ASSERT_TRUE(holder.held());
        EXPECT_EQ(Repack(), kRepackNoSoundFile) << share;
        EXPECT_EQ(Bitstream(), std::nullopt) << share;
        EXPECT_EQ(machine_->OpenHandles(), 0);
    }
    const Bytes older(30, 0x17);
    machine_->Put("temp.sbs", older);
    {
        OtherProcessHolder holder(machine_->PathOf("temp.sbs"), win32::GENERIC_READ, 0);
        ASSERT_TRUE(holder.held());
        EXPECT_EQ(Repack(), kRepackNoBitstream);
        EXPECT_EQ(Bitstream(), older);
        EXPECT_EQ(machine_->OpenHandles(), 0);
    }
    EXPECT_EQ(Repack(), kRepackDone);
}

TEST(RepackLinuxTest, BitstreamInAMissingFolder) {
    LinuxMachine machine;
    machine.Put("s.vrk", SoundFile(0x80, 1));
    SoundFileRepacker repacker(machine.system());
    const std::string bitstream = (machine.dir() / "no-such-folder" / "temp.sbs").string();
    EXPECT_EQ(repacker.Open(machine.PathOf("s.vrk"), bitstream), kRepackNoBitstream);
    EXPECT_FALSE(std::filesystem::exists(machine.dir() / "no-such-folder"));
    EXPECT_EQ(machine.OpenHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(Machines, RepackTest, ::testing::Values("Linux", "Simulated"),
                         [](const auto& machine) { return machine.param; });

}  // namespace
}  // namespace vocna::testing
