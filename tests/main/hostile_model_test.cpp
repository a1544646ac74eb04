// Whole runs in memory (read, analysis and sizing, report) on models at the
// edges of what 16-bit counts allow: they must end with a complete report in
// bounded time and memory. Counters of 16 bits would wrap at 32767 and never
// end their loops.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "main/analyse_model.hpp"
#include "model/free_form_read.hpp"
#include "model/model.hpp"
#include "model/read_model_file.hpp"
#include "report/record_writer.hpp"
#include "report/results_report.hpp"

namespace quivor {
namespace {

struct InMemoryRun {
  Model model;
  Results results;
  std::string report;
};

// The steps of the main program between the opening of the model file and
// the closing of the results file.
void RunInMemory(const std::string& text, InMemoryRun& run) {
  InputUnit unit(kModelUnit, text);
  const ModelStatus read = ReadModelFile(unit, run.model);
  ASSERT_TRUE(read.ok()) << static_cast<int>(read.failure.number) << " "
                         << read.rejection.has_value();
  const AnalysisStatus analysed = AnalyseModel(run.model, run.results);
  ASSERT_FALSE(analysed.failure.failed());
  ASSERT_FALSE(analysed.singular);
  TextOutputUnit report(run.report);
  WriteResultsReport(report, "ponte" + std::string(45, ' '), run.model, run.results);
}

std::vector<std::string_view> Records(std::string_view report) {
  std::vector<std::string_view> records;
  while (!report.empty()) {
    const std::size_t end = report.find("\r\n");
    if (end == std::string_view::npos) break;
    records.push_back(report.substr(0, end));
    report.remove_prefix(end + 2);
  }
  return records;
}

// Records of a report: 16 + one per node, bar and support for the echo, and
// 15 + one per bar and support for each load case.
std::size_t ReportRecords(std::size_t nodes, std::size_t bars, std::size_t supports,
                          std::size_t cases) {
  return 16 + nodes + bars + supports + cases * (15 + bars + supports);
}

// Two nodes 10 cm apart, bar 1 from node 1 to node 2; node 1 held in x and
// y, node 2 in y; then the load cases and the coefficients 2 and 3.
std::string TwoNodes(int bars, int supports, const std::string& loadCases) {
  std::string text = "2\r\n" + std::to_string(bars) + "\r\n1 0.0 0.0\r\n2 10.0 0.0\r\n";
  for (int j = 1; j <= bars; ++j) text += std::to_string(j) + " 1 2\r\n";
  text += std::to_string(supports) + "\r\n";
  for (int k = 1; k <= supports; ++k) text += k % 2 == 1 ? "1\r\n0 0\r\n" : "2\r\n1 0\r\n";
  return text + loadCases + "2.0\r\n3.0\r\n";
}

TEST(HostileModel, ReportRecordCountOfTheTriangle) {
  InMemoryRun run;
  RunInMemory(
      "3\n3\n1 0.0 0.0\n2 40.0 0.0\n3 20.0 15.0\n1 1 2\n2 1 3\n3 2 3\n2\n1\n0 0\n2\n1 0\n"
      "1\n1\n3\n0.0\n-5.0\n2.0\n3.0\n",
      run);
  EXPECT_EQ(Records(run.report).size(), ReportRecords(3, 3, 2, 1));
}

// 32767 bars side by side, 32767 supports and 32767 loaded-node entries in one
// load case (the last one, 1 kgf in x at node 2, is the one that stays).
TEST(HostileModel, BarsSupportsAndLoadedNodesAt32767) {
  std::string load = "1\r\n32767\r\n";
  for (int m = 0; m < 32767; ++m) load += "2\r\n1.0\r\n0.0\r\n";
  InMemoryRun run;
  RunInMemory(TwoNodes(32767, 32767, load), run);
  ASSERT_EQ(run.model.barCount, 32767);
  ASSERT_EQ(run.model.supportCount, 32767);
  EXPECT_EQ(run.model.loadMatrix(3, 1), 1.0);

  const std::vector<std::string_view> records = Records(run.report);
  ASSERT_EQ(records.size(), ReportRecords(2, 32767, 32767, 1));
  // Equal bars between the same nodes carry equal forces, strands and
  // weights: every result row reads the same after its label (I3, so labels
  // above 999 show as ***).
  const std::size_t firstRow = 16 + 2 + 32767 + 32767 + 4;
  const std::string_view first = records[firstRow];
  EXPECT_EQ(first.substr(0, 5), "    1");
  for (std::size_t j = 1; j < 32767; ++j) {
    ASSERT_EQ(records[firstRow + j].substr(5), first.substr(5)) << "bar " << j + 1;
  }
  EXPECT_EQ(records[firstRow + 32766].substr(0, 5), "  ***");
}

// 32767 load cases, each with its own block of results.
TEST(HostileModel, LoadCasesAt32767) {
  std::string loads = "32767\r\n";
  for (int k = 1; k <= 32767; ++k) loads += "1\r\n2\r\n" + std::to_string(k) + ".0\r\n0.0\r\n";
  InMemoryRun run;
  RunInMemory(TwoNodes(1, 2, loads), run);
  const std::vector<std::string_view> records = Records(run.report);
  ASSERT_EQ(records.size(), ReportRecords(2, 1, 2, 32767));
  std::size_t blocks = 0;
  for (std::string_view record : records) {
    if (record.starts_with("  Carregamento")) ++blocks;
  }
  EXPECT_EQ(blocks, 32767u);
  // The last block has its number in the I7 field; its results are those of
  // the same load alone, since every load case is solved on its own column.
  EXPECT_EQ(records[ReportRecords(2, 1, 2, 32766)], "  Carregamento  32767");
  InMemoryRun alone;
  RunInMemory(TwoNodes(1, 2, "1\r\n1\r\n2\r\n32767.0\r\n0.0\r\n"), alone);
  EXPECT_EQ(run.results.barForce(1, 32767), alone.results.barForce(1, 1));
  EXPECT_EQ(run.results.strandCount(1, 32767), alone.results.strandCount(1, 1));
  EXPECT_EQ(run.results.barWeight(1, 32767), alone.results.barWeight(1, 1));
}

}  // namespace
}  // namespace quivor
