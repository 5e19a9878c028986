#include "setup_rig.h"

#include "avr_chip.h"
#include "temp_folder.h"

#include "data/serial_sequence.h"
#include "operations/chip_recorder.h"
#include "records/memory_record_store.h"
#include "records/sha256.h"

namespace quorva::test {
namespace {

using sim::AvrChip;

// A store whose rows begin but never complete, as a server that goes away
// while a chip is being programmed.
class CompletionFails final : public RecordStore {
public:
    StoreResult<Begun> begin(const ChipRecord& r, const std::optional<SequenceTake>& t) override
    {
        return inner.begin(r, t);
    }
    StoreStatus complete(const ChipRecord&) override { return StoreError{StoreError::Kind::Write, "server gone"}; }
    StoreResult<std::vector<ChipRecord>> query(const RecordFilter& f) override { return inner.query(f); }
    StoreResult<std::vector<SummaryLine>> summary(const RecordFilter& f, SummaryBy b) override
    {
        return inner.summary(f, b);
    }
    StoreResult<std::optional<SequenceState>> sequence(const std::string& n) override { return inner.sequence(n); }
    StoreStatus setSequence(const std::string& n, std::uint32_t v, bool f, const SequenceSetter& s) override
    {
        return inner.setSequence(n, v, f, s);
    }
    std::string where() const override { return "failing"; }

    MemoryRecordStore inner;
};

// Erase, then Flash with its serial number at 2, programmed and verified,
// the chip's signature checked first; records kept in store.
struct RecordedRig : SetupRig {
    explicit RecordedRig(std::unique_ptr<RecordStore> kept) : SetupRig("ATmega8/8A"), store(kept.get()), recorder(clock)
    {
        project.checkSign = true;
        project.autoErase = true;
        project.autoFlashProgram = true;
        project.autoFlashVerify = true;
        project.autoIncrementFlash = true;
        project.autoIncAddressFlash = 2;
        Bytes image = pattern(300);
        image[0] = 0x00;
        image[1] = 0x12;
        image[2] = 0xFF;
        writeFile(folder.file("app.bin"), std::string(image.begin(), image.end()));
        EXPECT_TRUE(flash.loadFile(folder.file("app.bin")));
        recorder.attach(std::make_shared<SharedRecordStore>(std::move(kept)), thisOrigin("11.56"));
        recorder.facts = [] {
            ChipRecord facts;
            facts.comNumber = 3;
            facts.device = "ATmega8/8A";
            return facts;
        };
        autoProgram.recorder = &recorder;
    }

    std::vector<ChipRecord> rows() { return store->query({}).value(); }

    TempFolder folder;
    RecordStore* store;
    ChipRecorder recorder;
};

TEST(ChipRecords, EachChipsRowNamesItsStepsTheBytesItHoldsAndItsNumberFromTheSequence)
{
    RecordedRig rig(std::make_unique<MemoryRecordStore>());
    rig.project.serialSequence = "board";
    const std::string file = fileContents(rig.folder.file("app.bin"));

    for (std::uint32_t expected : {0x12FFu, 0x1300u}) {
        ASSERT_TRUE(rig.autoProgram.run(false));
        const ChipRecord row = rig.rows().front();
        const auto& chip = rig.chip<AvrChip>().flash();
        EXPECT_EQ(row.outcome, Outcome::Ok);
        EXPECT_EQ(row.steps, (std::vector<std::string>{"signature", "erase", "flash program", "flash verify"}));
        EXPECT_EQ(row.signature, "1E 93 07");
        EXPECT_EQ(row.comNumber, 3);
        EXPECT_EQ(row.sequence, "board");
        EXPECT_EQ(row.serial, expected);
        ASSERT_TRUE(row.flash);
        EXPECT_EQ(row.flash->serial, expected);
        EXPECT_EQ(row.flash->length, 300);
        EXPECT_EQ(row.flash->imageFile, rig.folder.file("app.bin"));
        EXPECT_EQ(row.flash->sha256, sha256Hex(std::span(chip.data(), 300)));
        EXPECT_EQ(serialNumberAt(chip, 2), expected);
        EXPECT_FALSE(row.endedAt.empty());
    }
    EXPECT_EQ(rig.rows().size(), 2u);
    EXPECT_EQ(rig.store->sequence("board").value()->next, 0x1301u);
    EXPECT_EQ(fileContents(rig.folder.file("app.bin")), file) << "the sequence lives in the records, not the image";
}

TEST(ChipRecords, AFailedOrCancelledChipNamesTheStepAndItsLastLine)
{
    // Verified without being programmed: the erased Flash differs.
    RecordedRig failed(std::make_unique<MemoryRecordStore>());
    failed.project.autoFlashProgram = false;
    EXPECT_FALSE(failed.autoProgram.run(false));
    ChipRecord row = failed.rows().front();
    EXPECT_EQ(row.outcome, Outcome::Failed);
    EXPECT_EQ(row.failingStep, "flash verify");
    EXPECT_EQ(row.lastStatus, failed.autoProgram.failureReason);
    EXPECT_FALSE(row.flash) << "nothing was written to the Flash";

    RecordedRig cancelled(std::make_unique<MemoryRecordStore>());
    cancelled.ui.cancelAtPercent(50);
    EXPECT_FALSE(cancelled.autoProgram.run(false));
    row = cancelled.rows().front();
    EXPECT_EQ(row.outcome, Outcome::Cancelled);
    EXPECT_EQ(row.failingStep, "flash program");
    EXPECT_EQ(row.lastStatus, messageText(2207));
}

TEST(ChipRecords, AStoreThatFailsRefusesTheChipBeforeItIsTouchedOrStopsTheRunAfterIt)
{
    auto down = std::make_unique<MemoryRecordStore>();
    down->setFailure(StoreError{StoreError::Kind::Open, "records unreachable"});
    RecordedRig refused(std::move(down));
    refused.project.serialSequence = "board";
    EXPECT_FALSE(refused.autoProgram.run(false));
    EXPECT_EQ(refused.autoProgram.failureReason, "records unreachable");
    EXPECT_TRUE(refused.recorder.refused());
    EXPECT_TRUE(refused.sends().empty()) << "nothing reached the box";

    auto failing = std::make_unique<CompletionFails>();
    CompletionFails& store = *failing;
    RecordedRig gone(std::move(failing));
    EXPECT_TRUE(gone.autoProgram.run(false)) << "the chip itself is good";
    EXPECT_EQ(gone.recorder.failure(), "server gone");
    EXPECT_FALSE(gone.recorder.refused());
    EXPECT_EQ(store.inner.query({}).value().front().outcome, Outcome::Started) << "left unfinished, not lost";

    // A project that numbers its chips from the records cannot run without them.
    RecordedRig off(std::make_unique<MemoryRecordStore>());
    off.recorder.attach(std::make_shared<SharedRecordStore>(StoreLocation::off()), thisOrigin("11.56"));
    off.project.serialSequence = "board";
    EXPECT_FALSE(off.autoProgram.run(false));
    EXPECT_EQ(off.autoProgram.failureReason, formatMessage(2360, "board"));
    EXPECT_TRUE(off.sends().empty());
}

} // namespace
} // namespace quorva::test
