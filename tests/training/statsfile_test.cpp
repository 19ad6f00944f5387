// The statistics file as two stations and an unlucky disk see it: only a
// missing file starts afresh, an unreadable one is never written over, a
// failed save is told, and sessions recorded by two stations are both kept.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#endif

#include "training/charstats.h"
#include "training/filelock.h"
#include "training/statsfile.h"

namespace {

const char* const kPath = "stats_under_test.txt";

std::vector<tagCharResult> Results(const char* pairs) {
    std::vector<tagCharResult> out;
    for (const char* p = pairs; p[0] && p[1]; p += 2) {
        out.push_back({p[0], p[1] == 'R' ? COPY_OUTCOME_RIGHT : p[1] == 'W' ? COPY_OUTCOME_WRONG : COPY_OUTCOME_MISSED});
    }
    return out;
}

std::string ReadAll(const char* path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteAll(const char* path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
}

void MakeFolder(const char* path) {
#ifdef _WIN32
    _mkdir(path);
#else
    mkdir(path, 0755);
#endif
}

void RemoveFolder(const char* path) {
#ifdef _WIN32
    _rmdir(path);
#else
    rmdir(path);
#endif
}

int64_t Sent(const CCharStats& s, char c) {
    const tagCharTally* t = s.Find(c);
    return t ? t->nRight + t->nWrong + t->nMissed : 0;
}

struct StatsFile : ::testing::Test {
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        RemoveFolder(kPath);
        std::remove(kPath);
        std::remove((std::string(kPath) + ".bad").c_str());
    }
};

}  // namespace

TEST_F(StatsFile, OnlyAMissingFileStartsAfresh) {
    // Each row: what stands at the path, the load result, whether a session
    // then reaches the file, and whether the first bytes survive somewhere.
    enum Kind { NOTHING, WHOLE, DAMAGED, FOLDER };
    const struct { Kind kind; int load; int saved; } rows[] = {
        {NOTHING, STATS_NEW, 1},
        {WHOLE, STATS_LOADED, 1},
        {DAMAGED, STATS_REPLACED, 1},
        {FOLDER, STATS_UNREADABLE, 0},  // there, but not readable as a file
    };
    CCharStats earlier;
    earlier.AddSession("KM", Results("KRKRMW"));
    const std::string whole = earlier.Serialize();
    const std::string damaged = whole.substr(0, whole.size() - 5);
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        Clean();
        if (rows[i].kind == WHOLE) WriteAll(kPath, whole);
        if (rows[i].kind == DAMAGED) WriteAll(kPath, damaged);
        if (rows[i].kind == FOLDER) MakeFolder(kPath);
        CCharStats stats;
        const tagStatsRecord r = RecordCharSession(kPath, "KM", Results("MRMR"), &stats);
        EXPECT_EQ(rows[i].load, r.nLoad) << "row " << i;
        EXPECT_EQ(rows[i].saved, r.bSaved) << "row " << i;
        EXPECT_EQ(rows[i].kind == WHOLE ? 5 : 2, Sent(stats, 'M') + Sent(stats, 'K'))
            << "row " << i << ": the shown statistics hold the session";
        CCharStats back;
        if (rows[i].saved) {
            ASSERT_EQ(STATS_LOADED, LoadCharStats(kPath, &back)) << "row " << i;
            EXPECT_EQ(stats.Serialize(), back.Serialize()) << "row " << i;
        }
        if (rows[i].kind == DAMAGED) {
            EXPECT_EQ(damaged, ReadAll((std::string(kPath) + ".bad").c_str())) << "row " << i << ": kept aside";
        }
        if (rows[i].kind == FOLDER) {
            struct stat st;
            EXPECT_EQ(0, stat(kPath, &st)) << "row " << i << ": the folder is left alone";
            EXPECT_TRUE((st.st_mode & S_IFDIR) != 0) << "row " << i;
        }
    }
}

TEST_F(StatsFile, ASaveThatFailsIsTold) {
    // The folder of the path does not exist: nothing there (a new file),
    // but nothing can be written either.
    const char* path = "no_such_folder/vardostats.txt";
    CCharStats stats;
    const tagStatsRecord r = RecordCharSession(path, "KM", Results("KRMR"), &stats);
    EXPECT_EQ(STATS_NEW, r.nLoad);
    EXPECT_EQ(0, r.bSaved);
    EXPECT_EQ(2, Sent(stats, 'K') + Sent(stats, 'M'));
    // A session with nothing scored has nothing to save.
    const tagStatsRecord none = RecordCharSession(path, "KM", {}, &stats);
    EXPECT_EQ(1, none.bSaved);
}

TEST_F(StatsFile, TwoStationsKeepEachOthersSessions) {
    // Both stations opened their dialogs on the same file; each records its
    // session when it ends, the second one after the first.
    CCharStats base;
    base.AddSession("KM", Results("KRMR"));
    ASSERT_EQ(1, SaveCharStats(kPath, base));
    CCharStats first, second;
    ASSERT_EQ(STATS_LOADED, LoadCharStats(kPath, &first));
    ASSERT_EQ(STATS_LOADED, LoadCharStats(kPath, &second));
    EXPECT_EQ(1, RecordCharSession(kPath, "KM", Results("KRKRKW"), &first).bSaved);
    EXPECT_EQ(1, RecordCharSession(kPath, "KM", Results("MMMW"), &second).bSaved);
    CCharStats after;
    ASSERT_EQ(STATS_LOADED, LoadCharStats(kPath, &after));
    EXPECT_EQ(3u, after.Sessions().size());
    EXPECT_EQ(1 + 3, Sent(after, 'K'));
    EXPECT_EQ(1 + 2, Sent(after, 'M'));
    EXPECT_EQ(after.Serialize(), second.Serialize()) << "the second station shows both";
}

TEST_F(StatsFile, ARecordWaitsForTheOtherStationsLock) {
    CCharStats base;
    ASSERT_EQ(1, SaveCharStats(kPath, base));
    // Another station holds the lock and records meanwhile; this one's
    // record waits for it and then adds to what it wrote.
    CFileLock other;
    ASSERT_EQ(1, other.Acquire(kPath, 0));
    CFileLock mine;
    EXPECT_EQ(0, mine.Acquire(kPath, 50)) << "the lock was not exclusive";
    std::atomic<int> done{0};
    CCharStats stats;
    std::thread recorder([&] {
        RecordCharSession(kPath, "KM", Results("KRKR"), &stats);
        done.store(1);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(0, done.load()) << "recorded while the other station held the lock";
    CCharStats theirs;
    theirs.AddSession("KM", Results("MWMW"));
    ASSERT_EQ(1, SaveCharStats(kPath, theirs));
    other.Release();
    recorder.join();
    CCharStats after;
    ASSERT_EQ(STATS_LOADED, LoadCharStats(kPath, &after));
    EXPECT_EQ(2u, after.Sessions().size());
    EXPECT_EQ(2, Sent(after, 'K'));
    EXPECT_EQ(2, Sent(after, 'M'));
    std::remove((std::string(kPath) + ".lock").c_str());
}
