// The password record's bytes, the retry delays and the parent's lock over a fake store, a fake clock and
// a fast stand-in for PBKDF2 (the real one is tested against known vectors under Wine).
#include "lock/parent_lock.h"

#include "support/lock_fakes.h"

#include <gtest/gtest.h>

#include <numeric>

namespace kestrel {
namespace {

using testing::FastDerive;

class Lock : public ::testing::Test {
protected:
    ParentLock Make() {
        return ParentLock(
            store, FastDerive,
            [this](std::span<std::uint8_t> buffer) {
                std::iota(buffer.begin(), buffer.end(), static_cast<std::uint8_t>(++salts));
                return true;
            },
            [this] { return now; });
    }
    testing::FakeLockStore store;
    std::uint64_t now = 1000;
    int salts = 0;
};

TEST(PasswordRecord, RoundTripsAndEveryFlawLocks) {
    PasswordRecord record;
    record.iterations = 123456;
    std::iota(record.salt.begin(), record.salt.end(), std::uint8_t{1});
    std::iota(record.key.begin(), record.key.end(), std::uint8_t{100});
    const std::vector<std::uint8_t> bytes = SerializePasswordRecord(record);
    const ParsedRecord parsed = ParsePasswordRecord(bytes);
    EXPECT_EQ(parsed.status, RecordStatus::Valid);
    EXPECT_EQ(parsed.record, record);

    // Any single changed byte is caught: the version byte as an unknown version, the rest as damage.
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::vector<std::uint8_t> edited = bytes;
        edited[i] ^= 0x01;
        EXPECT_EQ(ParsePasswordRecord(edited).status, i == 0 ? RecordStatus::UnknownVersion : RecordStatus::Damaged)
            << "byte " << i;
    }
    std::vector<std::uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_EQ(ParsePasswordRecord(longer).status, RecordStatus::Damaged);
    EXPECT_EQ(ParsePasswordRecord(std::span(bytes).first(bytes.size() - 1)).status, RecordStatus::Damaged);
    EXPECT_EQ(ParsePasswordRecord({}).status, RecordStatus::Damaged);
    // A sound record with too few rounds (written by hand to make guessing cheap) is not taken.
    // Nor one that would hold the program for more than about two seconds (2,000,000 rounds).
    for (const std::uint32_t rounds : {kMinPasswordIterations - 1, 2000001u, 4294967295u, 2000000u}) {
        record.iterations = rounds;
        EXPECT_EQ(ParsePasswordRecord(SerializePasswordRecord(record)).status,
                  rounds == 2000000u ? RecordStatus::Valid : RecordStatus::Damaged)
            << rounds;
    }
}

// A record as Kestrel writes it today, byte for byte: a changed layout or checksum cannot pass unseen.
TEST(PasswordRecord, TodaysFormatStillReadsBackAndKeysDifferingInTheFirstByteDiffer) {
    const std::vector<std::uint8_t> stored = {
        0x01, 0xA0, 0x86, 0x01, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A,
        0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C,
        0x6D, 0x6E, 0x6F, 0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B,
        0x7C, 0x7D, 0x7E, 0x7F, 0x80, 0x81, 0x82, 0x83, 0x10, 0x29, 0xD5, 0x6C,
    };
    PasswordRecord record;
    record.iterations = 100000;
    std::iota(record.salt.begin(), record.salt.end(), std::uint8_t{1});
    std::iota(record.key.begin(), record.key.end(), std::uint8_t{100});
    const ParsedRecord parsed = ParsePasswordRecord(stored);
    EXPECT_EQ(parsed.status, RecordStatus::Valid);
    EXPECT_EQ(parsed.record, record);
    EXPECT_EQ(SerializePasswordRecord(record), stored);

    PasswordKey other = record.key;
    other[0] ^= 0x80;
    EXPECT_FALSE(KeysEqual(record.key, other));
    EXPECT_TRUE(KeysEqual(record.key, record.key));
    PasswordKey lastByte = record.key;
    lastByte.back() ^= 0x01;
    EXPECT_FALSE(KeysEqual(record.key, lastByte)) << "keys differing in the last byte only";
}

TEST(PasswordRecord, RetryDelaysDoubleUpToHalfAMinute) {
    const std::uint32_t expected[] = {0, 1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000};
    for (int failures = 0; failures < 9; ++failures) {
        EXPECT_EQ(PasswordRetryDelayMs(failures), expected[failures]) << failures;
    }
    EXPECT_EQ(PasswordRetryDelayMs(1000), 30000u);
}

TEST_F(Lock, SetCheckChangeAndRemove) {
    ParentLock lock = Make();
    std::vector<LockState> told;
    lock.SetStateListener([&](LockState s) { told.push_back(s); });
    EXPECT_EQ(lock.Load(), LockState::Off);
    EXPECT_EQ(lock.Check(L"anything"), PasswordAnswer::Accepted) << "nothing is guarded without a password";
    EXPECT_EQ(lock.Set(L"", L""), PasswordAnswer::Empty);
    EXPECT_EQ(lock.Set(L"秘密1", L"秘密2"), PasswordAnswer::Mismatch);
    EXPECT_FALSE(store.record);
    EXPECT_EQ(lock.Set(L"秘密1", L"秘密1"), PasswordAnswer::Accepted);
    ASSERT_TRUE(store.record);
    EXPECT_TRUE(lock.IsSet());
    // Once set, a new password needs the old one.
    const auto before = store.record;
    EXPECT_EQ(lock.Set(L"新", L"新"), PasswordAnswer::Wrong);
    EXPECT_EQ(store.record, before);

    // A new start reads the record back.
    ParentLock again = Make();
    EXPECT_EQ(again.Load(), LockState::On);
    EXPECT_EQ(again.Check(L"秘密1"), PasswordAnswer::Accepted);
    EXPECT_EQ(again.Check(L"秘密"), PasswordAnswer::Wrong);
    now += 1000;
    // A typing slip in the new entries costs no try of the old password.
    EXPECT_EQ(again.Change(L"wrong", L"新", L"新新"), PasswordAnswer::Mismatch);
    EXPECT_EQ(again.WaitMs(), 0u);
    EXPECT_EQ(again.Change(L"秘密1", L"新", L"新"), PasswordAnswer::Accepted);
    EXPECT_EQ(again.Check(L"秘密1"), PasswordAnswer::Wrong);
    now += 1000;
    EXPECT_EQ(again.Check(L"新"), PasswordAnswer::Accepted);

    store.forbidden = {L"game.exe"};
    store.forbiddenKept = true;
    EXPECT_EQ(again.Remove(L"新"), PasswordAnswer::Accepted);
    EXPECT_FALSE(store.record);
    EXPECT_FALSE(store.forbiddenKept) << "the kept list goes with the password";
    EXPECT_FALSE(again.IsSet());
    EXPECT_EQ(told, (std::vector<LockState>{LockState::On}));
}

TEST_F(Lock, WrongPasswordsWaitLongerEachTimeAndTheRightOneResetsTheWait) {
    ParentLock lock = Make();
    lock.Load();
    ASSERT_EQ(lock.Set(L"pw", L"pw"), PasswordAnswer::Accepted);
    for (const std::uint32_t wait : {1000u, 2000u, 4000u, 8000u, 16000u, 30000u, 30000u}) {
        EXPECT_EQ(lock.Check(L"no"), PasswordAnswer::Wrong);
        EXPECT_EQ(lock.WaitMs(), wait);
        // A try before the wait is over is not even looked at, however right.
        now += wait - 1;
        EXPECT_EQ(lock.Check(L"pw"), PasswordAnswer::Waiting);
        EXPECT_EQ(lock.WaitMs(), 1u);
        now += 1;
    }
    EXPECT_EQ(lock.Check(L"pw"), PasswordAnswer::Accepted);
    EXPECT_EQ(lock.Check(L"no"), PasswordAnswer::Wrong);
    EXPECT_EQ(lock.WaitMs(), 1000u) << "the right password starts the schedule again";
    // Removing and changing go through the same wait.
    EXPECT_EQ(lock.Remove(L"pw"), PasswordAnswer::Waiting);
    EXPECT_EQ(lock.Change(L"pw", L"x", L"x"), PasswordAnswer::Waiting);
    EXPECT_TRUE(store.record);
}

TEST_F(Lock, AnUnreadableRecordLocksAndNoPasswordOpensIt) {
    const std::vector<std::vector<std::uint8_t>> records = {{}, {2, 0, 0}, {1, 2, 3}};
    for (const auto& bytes : records) {
        store.record = bytes;
        ParentLock lock = Make();
        EXPECT_EQ(lock.Load(), LockState::Unreadable);
        EXPECT_TRUE(lock.IsSet());
        EXPECT_EQ(lock.Check(L""), PasswordAnswer::Unreadable);
        EXPECT_EQ(lock.Remove(L""), PasswordAnswer::Unreadable);
        EXPECT_EQ(lock.Set(L"new", L"new"), PasswordAnswer::Unreadable);
        EXPECT_EQ(store.record, bytes) << "nothing overwrites it";
    }
}

TEST_F(Lock, TheForbiddenListIsKeptOnlyUnderTheLock) {
    ParentLock lock = Make();
    lock.Load();
    lock.KeepForbiddenList({L"game.exe"});
    EXPECT_FALSE(store.forbiddenKept) << "nothing is written without a password";
    store.forbidden = {L"stale.exe"};
    EXPECT_TRUE(lock.KeptForbiddenList().empty());
    ASSERT_EQ(lock.Set(L"pw", L"pw"), PasswordAnswer::Accepted);
    lock.KeepForbiddenList({L"game.exe", L"chat.exe"});
    EXPECT_EQ(lock.KeptForbiddenList(), (std::vector<std::wstring>{L"game.exe", L"chat.exe"}));
}

TEST_F(Lock, NothingChangesWhenTheSystemOrTheStoreFails) {
    ParentLock noRandom(store, FastDerive, [](std::span<std::uint8_t>) { return false; }, [this] { return now; });
    noRandom.Load();
    EXPECT_EQ(noRandom.Set(L"pw", L"pw"), PasswordAnswer::Failed);
    ParentLock noKey(
        store, [](const std::wstring&, const PasswordSalt&, std::uint32_t) { return std::optional<PasswordKey>(); },
        [](std::span<std::uint8_t>) { return true; }, [this] { return now; });
    noKey.Load();
    EXPECT_EQ(noKey.Set(L"pw", L"pw"), PasswordAnswer::Failed);
    store.failWrites = true;
    ParentLock lock = Make();
    lock.Load();
    EXPECT_EQ(lock.Set(L"pw", L"pw"), PasswordAnswer::NotSaved);
    EXPECT_FALSE(lock.IsSet());
    EXPECT_FALSE(store.record);

    // A record that cannot be deleted stays, and so does the lock.
    store.failWrites = false;
    ASSERT_EQ(lock.Set(L"pw", L"pw"), PasswordAnswer::Accepted);
    store.failDeletes = true;
    EXPECT_EQ(lock.Remove(L"pw"), PasswordAnswer::NotSaved);
    EXPECT_TRUE(lock.IsSet());
    EXPECT_TRUE(store.record);
}

} // namespace
} // namespace kestrel
