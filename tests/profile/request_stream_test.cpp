// The requests a profile issues, as the recording seam sees them: block size, alignment, offsets
// within the file, the depth reached and the read/write sequence from its start value, for both
// engines.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <atomic>

#include "ProfileFile.h"
#include "profile_test_support.h"

using namespace profiletest;

namespace {

struct StreamCase {
    const char* name;
    ProfileTest test;
    Direction direction;
};

class RequestStreamTest : public ::testing::TestWithParam<StreamCase> {
  protected:
    void SetUp() override {
        file_ = std::make_unique<ProfileFile>(dir_.path(), kFileBytes, true);
        ASSERT_TRUE(file_->LayOut(never_));
    }
    QTemporaryDir dir_{QDir::currentPath() + QStringLiteral("/profile-XXXXXX")};
    std::atomic<bool> never_{false};
    std::unique_ptr<ProfileFile> file_;
};

// Each worker issued the numbers of its stream once each and none skipped, and each request is
// the one its number gives; a ring hands them out in order.
void ExpectWorkerStreamsFromTheirStart(const StreamCase& c, IoEngine engine,
                                       const WorkerStreams& perWorker, uint64_t streamStart) {
    for (const auto& [thread, requests] : perWorker) {
        const RequestStream stream(c.test, kFileBytes, thread,
                                   WorkerStreamStart(streamStart, thread));
        std::vector<uint64_t> numbers;
        for (const auto& r : requests) {
            const Request expected = stream.At(r.index, c.direction);
            ASSERT_EQ(r.offset, expected.offset) << thread << "/" << r.index;
            ASSERT_EQ(r.write, expected.write);
            numbers.push_back(r.index);
        }
        if (engine == IoEngine::IoUring) {
            EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
        }
        std::sort(numbers.begin(), numbers.end());
        for (size_t i = 0; i < numbers.size(); ++i) ASSERT_EQ(numbers[i], i) << thread;
    }
}

TEST_P(RequestStreamTest, RequestsAreTheProfilesOnBothEngines) {
    const StreamCase& c = GetParam();
    std::map<IoEngine, WorkerStreams> streams;
    for (IoEngine engine : {IoEngine::IoUring, IoEngine::Threads}) {
        const auto [tally, recorded] =
            RecordedRun(engine, file_->Descriptor(), c.test, c.direction, 150);
        SCOPED_TRACE(EngineName(engine));
        ASSERT_TRUE(tally.failure.isEmpty()) << tally.failure.toStdString();
        ASSERT_GE(recorded.size(), size_t(c.test.depth * c.test.threads));
        EXPECT_EQ(tally.readOps + tally.writeOps, recorded.size());
        std::map<int, int> deepest;
        for (const auto& r : recorded) {
            ASSERT_EQ(r.bytes, c.test.blockBytes);
            ASSERT_EQ(r.offset % c.test.blockBytes, 0);
            ASSERT_GE(r.offset, 0);
            ASSERT_LE(r.offset + r.bytes, kFileBytes);
            ASSERT_LE(r.inFlight, c.test.depth);
            deepest[r.thread] = std::max(deepest[r.thread], r.inFlight);
        }
        ASSERT_EQ(int(deepest.size()), c.test.threads);
        // A ring is filled to its depth at the start; blocking threads reach it when they overlap.
        if (engine == IoEngine::IoUring) {
            for (const auto& [thread, depth] : deepest) EXPECT_EQ(depth, c.test.depth);
        }
        streams[engine] = ByWorker(recorded);
        ExpectWorkerStreamsFromTheirStart(c, engine, streams[engine], 42);
    }
    EXPECT_EQ(streams[IoEngine::IoUring].size(), streams[IoEngine::Threads].size());
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, RequestStreamTest,
    ::testing::Values(
        StreamCase{"SeqRead", {AccessPattern::Sequential, 1 << 20, 8, 1, 1}, Direction::Read},
        StreamCase{"SeqWriteTwoThreads",
                   {AccessPattern::Sequential, 128 << 10, 4, 2, 1},
                   Direction::Write},
        StreamCase{"RandomRead", {AccessPattern::Random, 4096, 32, 1, 1}, Direction::Read},
        StreamCase{"RandomMix", {AccessPattern::Random, 4096, 4, 1, 0.7}, Direction::Mixed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RequestStreamValues, SequentialWalksTheFileAndRandomCoversItWithTheMixsShare) {
    const int64_t blocks = kFileBytes / 4096;
    // Two workers: each walks its half of the file block after block and starts over.
    ProfileTest seq{AccessPattern::Sequential, 4096, 4, 2, 1};
    for (int thread = 0; thread < 2; ++thread) {
        const RequestStream walk(seq, kFileBytes, thread, 1);
        for (int64_t i = 0; i < blocks / 2 + 3; ++i)
            ASSERT_EQ(walk.At(uint64_t(i), Direction::Read).offset / 4096,
                      thread * blocks / 2 + i % (blocks / 2));
    }
    EXPECT_EQ(RequestStream(seq, kFileBytes, 0, 1).At(0, Direction::Write).write, true);

    ProfileTest mix{AccessPattern::Random, 4096, 1, 1, 0.7};
    const RequestStream stream(mix, kFileBytes, 0, 9), again(mix, kFileBytes, 0, 9);
    std::vector<int> hits(8);
    int writes = 0;
    constexpr int kDraws = 200000;
    for (int i = 0; i < kDraws; ++i) {
        const Request r = stream.At(uint64_t(i), Direction::Mixed);
        const Request same = again.At(uint64_t(i), Direction::Mixed);
        ASSERT_EQ(r.offset, same.offset);
        ASSERT_EQ(r.write, same.write);
        ++hits[r.offset / 4096 * 8 / blocks];
        writes += r.write;
    }
    EXPECT_NEAR(writes / double(kDraws), 0.3, 0.01);
    for (int h : hits) EXPECT_NEAR(h / double(kDraws), 1 / 8.0, 0.01);
}

TEST(EngineChoiceTest, TheEnvironmentForcesTheThreadsInTestBuilds) {
    qputenv("DRAVELO_PROFILE_ENGINE", "threads");
    const EngineChoice forced = ChooseEngine();
    qunsetenv("DRAVELO_PROFILE_ENGINE");
    EXPECT_EQ(forced.engine, IoEngine::Threads);
    EXPECT_FALSE(forced.reason.isEmpty());
    EXPECT_EQ(ChooseEngine().engine, IoEngine::IoUring) << "io_uring is available here";
}

}  // namespace
