// The replay's own parts, without a guest: the log reader on logs made here, the crash states
// it yields, and the sorting of fsck reports and read-back cards into old, new, absent, broken.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "card_check.h"
#include "crash_states.h"
#include "write_log.h"

namespace slotkit::crash {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kSector = 512;

void Put64(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A log as blklogwrites writes it: the super block counts the entries up to the last flush.
class LogBuilder {
  public:
    LogBuilder() : bytes_(kSector) {
        Put64(bytes_, 0, 0x6a736677736872ULL);
        Put64(bytes_, 8, 1);
        Put64(bytes_, 24, kSector);
    }
    LogBuilder& Write(std::uint64_t sector, std::uint8_t fill, std::uint64_t sectors = 1) {
        Entry(sector, sectors, 0);
        bytes_.insert(bytes_.end(), sectors * kSector, fill);
        return *this;
    }
    LogBuilder& Flush() {
        Entry(0, 0, kLogFlush);
        Put64(bytes_, 16, entries_);
        return *this;
    }
    std::vector<std::uint8_t> bytes() const { return bytes_; }

  private:
    void Entry(std::uint64_t sector, std::uint64_t sectors, std::uint64_t flags) {
        const std::size_t at = bytes_.size();
        bytes_.resize(at + kSector);
        Put64(bytes_, at, sector);
        Put64(bytes_, at + 8, sectors);
        Put64(bytes_, at + 16, flags);
        ++entries_;
    }
    std::vector<std::uint8_t> bytes_;
    std::uint64_t entries_ = 0;
};

TEST(WriteLogReader, ReadsWritesFlushesAndTheEntriesAfterTheLastFlush) {
    const auto bytes = LogBuilder().Write(3, 0xAA, 2).Flush().Write(1, 0xBB).bytes();
    WriteLog log;
    std::string error;
    ASSERT_TRUE(ReadWriteLog(bytes, log, error)) << error;
    EXPECT_EQ(log.flushedEntries, 2u);
    ASSERT_EQ(log.writes.size(), 3u);
    EXPECT_EQ(log.writes[0].sector, 3u);
    EXPECT_EQ(log.writes[0].data, std::vector<std::uint8_t>(2 * kSector, 0xAA));
    EXPECT_TRUE(log.writes[1].IsFlush());
    EXPECT_FALSE(log.writes[1].WritesData());
    EXPECT_EQ(log.writes[2].data, std::vector<std::uint8_t>(kSector, 0xBB));
}

TEST(WriteLogReader, RefusesWhatIsNoLogAndCountsTheEntryCutShortAsNotWritten) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool ok;
        std::size_t writes;
    };
    auto badMagic = LogBuilder().Write(0, 1).Flush().bytes();
    badMagic[0] ^= 1;
    auto badFlags = LogBuilder().Write(0, 1).Flush().bytes();
    Put64(badFlags, kSector + 16, 0x40);
    auto cutAfterFlush = LogBuilder().Write(0, 1).Flush().Write(5, 2, 4).bytes();
    cutAfterFlush.resize(cutAfterFlush.size() - kSector);  // the guest stopped mid-entry
    auto cutBeforeFlush = LogBuilder().Write(0, 1, 4).Flush().bytes();
    cutBeforeFlush.resize(2 * kSector);
    const Case cases[] = {
        {"too short", std::vector<std::uint8_t>(10), false, 0},
        {"another magic", badMagic, false, 0},
        {"unknown flags", badFlags, false, 0},
        {"an entry cut after the last flush", cutAfterFlush, true, 2},
        {"an entry the super block counts, cut", cutBeforeFlush, false, 0},
        {"nothing logged", LogBuilder().bytes(), true, 0},
    };
    for (const Case& c : cases) {
        WriteLog log;
        std::string error;
        EXPECT_EQ(ReadWriteLog(c.bytes, log, error), c.ok) << c.what;
        if (c.ok) {
            EXPECT_EQ(log.writes.size(), c.writes) << c.what;
        } else {
            EXPECT_FALSE(error.empty()) << c.what;
        }
    }
}

TEST(ReorderedSubsets, LeaveOutThePrefixesAndStayWithinTheCap) {
    // 3 writes: 7 non-empty subsets, of which 3 are prefixes (100, 110, 111).
    EXPECT_EQ(ReorderedSubsets(3, 100, 1).size(), 4u);
    EXPECT_TRUE(ReorderedSubsets(1, 100, 1).empty());
    const auto sampled = ReorderedSubsets(30, 12, 7);
    EXPECT_EQ(sampled.size(), 12u);
    for (const auto& mask : sampled) {
        bool gap = false, prefix = true;
        for (bool bit : mask) {
            prefix = prefix && !(gap && bit);
            gap = gap || !bit;
        }
        EXPECT_FALSE(prefix);
    }
    EXPECT_EQ(ReorderedSubsets(30, 12, 7), sampled) << "the same seed draws the same subsets";
}

TEST(FlushWindows, SplitTheWritesAtEveryFlush) {
    const auto bytes = LogBuilder().Write(0, 1).Write(1, 2).Flush().Flush().Write(2, 3).bytes();
    WriteLog log;
    std::string error;
    ASSERT_TRUE(ReadWriteLog(bytes, log, error));
    const auto windows = FlushWindows(log);
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].writes, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(windows[1].writes, (std::vector<std::size_t>{4}));
}

class ReplayOnFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("slotkit-replay-parts-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        std::ofstream(dir_ / "start.img", std::ios::binary) << std::string(4 * kSector, '\0');
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

TEST_F(ReplayOnFile, GivesEveryPrefixThenEachSubsetOnTheStateAtItsWindow) {
    const auto bytes = LogBuilder().Write(0, 1).Flush().Write(1, 2).Write(2, 3).bytes();
    WriteLog log;
    std::string error;
    ASSERT_TRUE(ReadWriteLog(bytes, log, error));
    std::vector<std::string> seen;  // each state as the first byte of every sector
    ForEachCrashState(log, Path("start.img"), Path("work.img"), 16,
                      [&](const StateLabel& label, const std::string& image) {
                          std::ifstream in(image, std::ios::binary);
                          std::string state = label.reordered ? "r:" : "o:";
                          for (int s = 0; s < 4; ++s) {
                              in.seekg(s * kSector);
                              state += static_cast<char>('0' + in.get());
                          }
                          seen.push_back(state);
                      });
    // In order: nothing, then each write; reordered: the second window's one non-prefix subset
    // (its second write without its first) on top of the first window.
    EXPECT_EQ(seen, (std::vector<std::string>{"o:0000", "o:1000", "o:1200", "o:1230", "r:1030"}));
}

TEST(FsckReport, SortsWhatACrashMayLeaveFromWhatDamagesAFile) {
    const std::string head = "fsck.fat 4.2 (2021-01-31)\n";
    const std::string tail =
        "\nLeaving filesystem unchanged.\ncard.img: 12 files, 3087/80628 clusters\n";
    struct Case {
        const char* what;
        std::string body;
        int status;
        bool clean, harmless;
    };
    const Case cases[] = {
        {"nothing to say", "", 0, true, true},
        {"the dirty bit and its backup difference",
         "There are differences between boot sector and its backup.\n"
         "This is mostly harmless. Differences: (offset:original/backup)\n  65:01/00\n"
         "  Not automatically fixing this.\nDirty bit is set. Fs was not properly unmounted.\n"
         " Automatically removing dirty bit.\n",
         1, false, true},
        {"another boot sector difference",
         "There are differences between boot sector and its backup.\n"
         "This is mostly harmless. Differences: (offset:original/backup)\n  13:08/01\n",
         1, false, false},
        {"free count, lost clusters, FAT copies",
         "FATs differ but appear to be intact.\n  Using first FAT.\n"
         "Reclaimed 514 unused clusters (263168 bytes).\n"
         "Free cluster summary wrong (77541 vs. really 77027)\n  Auto-correcting.\n",
         1, false, true},
        {"our temporary file cut",
         "/NDSSAVE/.slotkit-J3Npdo.tmp\n  Contains a free cluster (3089). Assuming EOF.\n", 1,
         false, true},
        {"a slot pointing at a free cluster",
         "/NDSSAVE/A.DAT\n  Contains a free cluster (1419). Assuming EOF.\n", 1, false, false},
        {"a chain past the size",
         "/NDSSAVE/B.DAT\n  File size is 263168 bytes, cluster chain "
         "length is > 264192 bytes.\n  Truncating file to 263168 bytes.\n",
         1, false, true},
        {"a chain shorter than the size",
         "/NDSSAVE/B.DAT\n  File size is 1048576 bytes, cluster chain length is 263168 bytes.\n", 1,
         false, false},
        {"a slot sharing with our temporary file, which is cut",
         "/NDSSAVE/S06.DAT  and\n/NDSSAVE/.slotkit-7m7ZWF.tmp\n  share clusters.\n"
         "  Truncating second to 0 bytes.\n",
         1, false, true},
        {"two slots sharing", "/NDSSAVE/S06.DAT  and\n/NDSSAVE/S07.DAT\n  share clusters.\n", 1,
         false, false},
        {"fsck could not run", "", 8, false, false},
    };
    for (const Case& c : cases) {
        const FsckResult result = ReadFsckReport(head + c.body + tail, c.status);
        EXPECT_EQ(result.clean, c.clean) << c.what;
        EXPECT_EQ(result.harmless, c.harmless) << c.what << ": " << result.finding;
        EXPECT_EQ(result.finding.empty(), c.harmless) << c.what;
    }
}

TEST(Classify, EachSlotIsOldNewAbsentOrBrokenAndEveryOtherFileStays) {
    using Bytes = std::vector<unsigned char>;
    const Bytes oldA(8, 1), newA(8, 2), other(8, 9);
    Expectation restore{{{"NDSSAVE/A.DAT", oldA}, {"NDSSAVE/O.DAT", other}},
                        {{"NDSSAVE/A.DAT", newA}, {"NDSSAVE/O.DAT", other}},
                        {{"NDSSAVE/A.DAT"}}};
    Expectation rename{
        {{"NDSSAVE/A.DAT", oldA}}, {{"NDSSAVE/R.DAT", oldA}}, {{"NDSSAVE/A.DAT", "NDSSAVE/R.DAT"}}};
    Expectation made{{}, {{"NDSSAVE/N.DAT", newA}}, {{"NDSSAVE/N.DAT"}}};
    struct Case {
        const char* what;
        const Expectation& expected;
        CardFiles card;
        SlotState slot;
        bool broken;
    };
    const Case cases[] = {
        {"old",
         restore,
         {{"NDSSAVE/A.DAT", oldA}, {"NDSSAVE/O.DAT", other}},
         SlotState::kOld,
         false},
        {"new",
         restore,
         {{"NDSSAVE/A.DAT", newA}, {"NDSSAVE/O.DAT", other}},
         SlotState::kNew,
         false},
        {"torn",
         restore,
         {{"NDSSAVE/A.DAT", Bytes(8, 0)}, {"NDSSAVE/O.DAT", other}},
         SlotState::kBroken,
         true},
        {"gone", restore, {{"NDSSAVE/O.DAT", other}}, SlotState::kBroken, true},
        {"another file changed",
         restore,
         {{"NDSSAVE/A.DAT", newA}, {"NDSSAVE/O.DAT", oldA}},
         SlotState::kNew,
         true},
        {"our temporary file left",
         restore,
         {{"NDSSAVE/A.DAT", newA}, {"NDSSAVE/O.DAT", other}, {"NDSSAVE/.SLOTKIT-AB12.TMP", oldA}},
         SlotState::kNew,
         false},
        {"a file from nowhere",
         restore,
         {{"NDSSAVE/A.DAT", newA}, {"NDSSAVE/O.DAT", other}, {"NDSSAVE/X.DAT", oldA}},
         SlotState::kNew,
         true},
        {"rename not yet", rename, {{"NDSSAVE/A.DAT", oldA}}, SlotState::kOld, false},
        {"rename done", rename, {{"NDSSAVE/R.DAT", oldA}}, SlotState::kNew, false},
        {"rename lost both names", rename, {}, SlotState::kBroken, true},
        {"rename with both names",
         rename,
         {{"NDSSAVE/A.DAT", oldA}, {"NDSSAVE/R.DAT", oldA}},
         SlotState::kBroken,
         true},
        {"a new slot not yet made", made, {}, SlotState::kAbsent, false},
        {"a new slot made empty", made, {{"NDSSAVE/N.DAT", Bytes()}}, SlotState::kBroken, true},
    };
    for (const Case& c : cases) {
        const StateVerdict verdict = Classify(c.expected, c.card, "", FsckResult{});
        ASSERT_EQ(verdict.slots.size(), 1u) << c.what;
        EXPECT_EQ(verdict.slots[0], c.slot) << c.what;
        EXPECT_EQ(verdict.broken(), c.broken) << c.what;
    }
    FsckResult damaged;
    damaged.harmless = false;
    damaged.finding = "/NDSSAVE/A.DAT";
    EXPECT_TRUE(Classify(restore, {{"NDSSAVE/A.DAT", newA}, {"NDSSAVE/O.DAT", other}}, "", damaged)
                    .broken());
    EXPECT_TRUE(Classify(restore, {{"NDSSAVE/A.DAT", newA}, {"NDSSAVE/O.DAT", other}},
                         "NDSSAVE/O.DAT: Fat problem\n", FsckResult{})
                    .broken());
}

}  // namespace
}  // namespace slotkit::crash
