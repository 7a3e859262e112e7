// Runs both tests with one system call made to fail through the file layer's fault seam, for
// every call kind of every stage at its first, a middle and its last call, and checks each
// outcome against the fault table of tests/README.md.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "fault_run.h"
#include "fault_seam.h"

namespace {

using faults::Call;

// Where each call kind's calls fall in a run without faults: stage, kind, then the call
// numbers (counted over the whole run) of that kind in that stage.
using CallMap = std::map<QString, std::map<Call, std::vector<int>>>;

CallMap StagesOf(const std::vector<faults::TracedCall>& trace) {
    CallMap stages;
    std::map<Call, int> counts;
    // Before its first file a run may only look at the folder.
    QString stage = "start";
    for (const auto& traced : trace) {
        if (traced.call == Call::Open && stage == "start") stage = "write";
        if (traced.reading) stage = "read";
        if ((traced.call == Call::Unlink || traced.call == Call::Opendir) && stage != "start")
            stage = "end";
        stages[stage][traced.call].push_back(++counts[traced.call]);
    }
    return stages;
}

std::set<int> FirstMiddleLast(const std::vector<int>& calls) {
    return {calls.front(), calls[calls.size() / 2], calls.back()};
}

bool IsSeamCall(const QString& name) {
    for (Call call : {Call::Open, Call::Write, Call::Read, Call::Fsync, Call::Close, Call::Unlink,
                      Call::Opendir, Call::Readdir})
        if (name == faults::CallName(call)) return true;
    return false;
}

class FaultMatrix : public FaultTest {
  protected:
    void TearDown() override {
        faults::Stop();
        FaultTest::TearDown();
    }

    CallMap CallsOfARunWithoutFaults() {
        TempFolder folder;
        FaultRun dry(Multiple(), folder.path());
        faults::Watch();
        EXPECT_TRUE(dry.Run().completed);
        faults::Stop();
        return StagesOf(faults::Trace());
    }

    void RunWithFault(const FaultRow& row, Call call, int nth, int error) {
        TempFolder folder;
        FaultRun run(Multiple(), folder.path());
        faults::Watch();
        faults::Arm(call, nth, error);
        const Observed seen = run.Run();
        faults::Stop();
        ASSERT_EQ(faults::Injected(), 1);
        ExpectAsTheRowSays(row, error, seen, FaultRun::kFiles);
        EXPECT_EQ(DescriptorsInto(folder.path()), 0);
    }
};

TEST_P(FaultMatrix, EveryCallOfEveryStageFailsAsTheTableSays) {
    const CallMap stages = CallsOfARunWithoutFaults();
    std::vector<FaultRow> rows;
    std::set<std::pair<QString, QString>> ran, described;
    for (const FaultRow& row : FaultRows(TestName())) {
        if (!IsSeamCall(row.call)) continue;
        rows.push_back(row);
        described.insert({row.stage, row.call});
    }
    for (const auto& [stage, calls] : stages) {
        for (const auto& [call, numbers] : calls) {
            ran.insert({stage, faults::CallName(call)});
            const FaultRow* row = FindRow(rows, stage, faults::CallName(call));
            if (!row) continue;  // reported below
            for (const QString& errorName : row->errors) {
                for (int nth : FirstMiddleLast(numbers)) {
                    SCOPED_TRACE((TestName() + " " + stage + " " + faults::CallName(call) + " #" +
                                  QString::number(nth) + " " + errorName)
                                     .toStdString());
                    RunWithFault(*row, call, nth, kFaultErrors.at(errorName));
                }
            }
        }
    }
    EXPECT_EQ(ran, described) << "the fault table and the calls of the run differ";
}

INSTANTIATE_TEST_SUITE_P(BothTests, FaultMatrix, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Multiple" : "Single"; });

}  // namespace
