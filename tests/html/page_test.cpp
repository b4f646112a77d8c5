#include "html/page.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "report/input.hpp"
#include "test_support.hpp"

namespace flowplex {
namespace {

namespace fs = std::filesystem;
using testing::count;
using testing::read_file;
using testing::run_failure;
using testing::ScratchDir;

// The page is made beside its final name, under a hidden one.
bool temporary_file_left() {
  return std::any_of(fs::directory_iterator("."), fs::directory_iterator(),
                     [](const fs::directory_entry& e) { return e.path().filename().string().starts_with("."); });
}

std::unique_ptr<Store> river_system() {
  auto s = make_store();
  s->RIVER.PARM.TITLE.assign(" KLIPRIVIER & CO <SYSTEM>");
  s->RIVER.PARM.NGAUGE = 2;
  s->RIVER.PARM.GNAME(1).assign("KLIP01 KLIPRIVIER AT WELGEDACHT");
  s->RIVER.PARM.GNAME(2).assign("KLIP02 KLIPRIVIER AT HOOGEKRAAL");
  s->RIVER.PARM.ISTART = 1935;
  s->RIVER.PARM.IEND = 1995;
  s->RIVER.PARM.NCOMMON = 61;
  s->RUN.NYS = 50;
  s->RUN.IOPT = 2;
  s->RUN.NSEL = 2;
  s->RUN.IGLIST(1) = 1;
  s->RUN.IGLIST(2) = 2;
  s->RIVER.PARM.PARMFILE.assign("PARMSET.DAT");
  s->HIST.HISTFILE(1).assign("KLIP01.HIS");
  s->HIST.HISTFILE(2).assign("KLIP02.HIS");
  // The files the run read, for the page's input digest.
  for (const char* file : {"PARMSET.DAT", "KLIP01.HIS", "KLIP02.HIS"})
    if (!fs::exists(file)) std::ofstream(file) << file;
  return s;
}

// The run as the run control describes it to its sinks, and the chosen gauges' historic
// files once they are read.
RunDescription described(const Store& s) {
  return describe_run(s.RIVER, {s.RUN.option(), s.RUN.NYS, s.RUN.REALIZATIONS, "1.0.0", std::nullopt, true, {}},
                      [&s] { return inputs_read(s); });
}

std::vector<ChosenGauge> chosen(const Store& s) {
  std::vector<ChosenGauge> gauges;
  for (int k = 1; k <= s.RUN.NSEL; ++k)
    gauges.push_back({k, s.RUN.IGLIST(k), trimmed_name(s.RIVER.PARM.GNAME(s.RUN.IGLIST(k)).view()),
                      trimmed_name(s.HIST.HISTFILE(k).view()), s.HIST.NYHIST(k)});
  return gauges;
}

// A statistical-properties result with one line of each kind the report prints.
StatisticsResult statistics_of(int slot, const std::string& name) {
  StatisticsResult r;
  r.slot = slot;
  r.gauge = slot;
  r.name = name;
  r.NYH = 80;
  r.NYS = 50;
  r.MAR = 188.05F;
  const SevenValues seven{219.4F, 215.0F, 196.8F, 185.0F, 175.2F, 168.8F, 152.7F};
  r.rows = {{"annual_mean", 0, 188.05F, seven},
            {"monthly_mean", 1, 4.5F, seven},
            {"run_sum", 6, 8.1F, SevenValues{11.6F, 11.5F, 10.2F, 9.0F, 8.0F, 7.0F, 5.0F}},
            {"deficit_duration", 80, 66.0F, SevenValues{306.0F, 187.0F, 102.0F, 74.0F, 55.0F, 43.0F, 30.0F}}};
  for (int L = 1; L <= kYieldLevels; ++L) r.yield[static_cast<std::size_t>(L - 1)] = 5.0F * static_cast<float>(L);
  r.mean_storage.fill(std::nullopt);
  r.median_storage.fill(std::nullopt);
  r.historical_storage = {0.21F, 1.67F};
  r.parameters = {812.5, 240.256, {0.35, -0.125}, {0.05, 0.0}, 101.5, 2.0, 1};
  r.historical = {188.05F, 61.234F, 0.3256F, 0.41F, 0.2849F, 80};
  return r;
}

CorrelationResult correlations_of(int slot, int other) {
  CorrelationResult r{
      slot, slot, "KLIP0" + std::to_string(slot) + " A", other, other, "KLIP0" + std::to_string(other) + " B", {}};
  r.shortened = ShortenedPeriod{45, 1935};  // the historic files hold fewer years than the records
  for (int m = 0; m <= kMonths; ++m) {
    CorrelationLine& line = r.lines[static_cast<std::size_t>(m == 0 ? kMonths : m - 1)];
    line.period = m;
    if (m == 2) continue;  // too short to rank
    line.historical = 0.7559F;
    line.mean = 0.67749F;
    line.summary = SevenValues{0.86353F, 0.84807F, 0.73397F, 0.68547F, 0.63294F, 0.50492F, 0.43212F};
  }
  return r;
}

// One run as the run control drives a sink.
std::string written_page(const std::string& path) {
  const auto s = river_system();
  const RunInfo info{{"--html", path}, "1.0.0", nullptr};
  auto sink = make_html_sink(path, info);
  sink->begin_generation(described(*s));
  sink->begin_analyses(chosen(*s));
  sink->statistics(statistics_of(1, "KLIP01 KLIPRIVIER AT WELGEDACHT"));
  sink->correlations(correlations_of(1, 2));
  sink->statistics(statistics_of(2, "KLIP02 KLIPRIVIER AT HOOGEKRAAL"));
  sink->commit();
  return read_file(path);
}

TEST(HtmlPage, HoldsTheRunAndOneSectionPerAnalysisInTheOrderOfTheReport) {
  ScratchDir dir;
  const std::string page = written_page("report.html");
  EXPECT_TRUE(page.starts_with("<!DOCTYPE html>"));
  EXPECT_NE(page.find("<h1>KLIPRIVIER &amp; CO &lt;SYSTEM&gt;</h1>"), std::string::npos);
  EXPECT_NE(page.find("bootstrap of whole historical years (option 1)"), std::string::npos);
  EXPECT_NE(page.find("41 of 50 years"), std::string::npos);
  EXPECT_NE(page.find("1935 to 1995 (61 years)"), std::string::npos);
  EXPECT_NE(page.find("<td>KLIP02.HIS</td>"), std::string::npos);
  EXPECT_NE(page.find("flowplex 1.0.0"), std::string::npos);
  const auto first = page.find("id=\"s1\""), second = page.find("id=\"s2\""), third = page.find("id=\"s3\"");
  ASSERT_NE(third, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  EXPECT_NE(page.find("KLIP01 A with KLIP02 B: monthly rank correlations", second), std::string::npos);
  // Each statistics section: the box charts of its lines (three kinds here, the
  // deficit durations being one) and the storage-yield chart; one chart per correlation page.
  EXPECT_EQ(count(page, "<svg "), 2 * (4 + 1) + 1);
  // Nothing outside the page is needed to show it.
  EXPECT_EQ(count(page, "<script"), 0);
  EXPECT_EQ(count(page, "http"), 0);
  EXPECT_EQ(count(page, "<link"), 0);
}

TEST(HtmlPage, TablesShowTheNumbersAsTheReportPrintsThem) {
  ScratchDir dir;
  const std::string page = written_page("report.html");
  // F11.1 and 7F12.1 for the annual mean, F12.0 for run sums and the deficit counts,
  // I11 for a historical count, F8.2 for storages, F12.5 for correlations.
  EXPECT_NE(page.find("<th scope=\"row\">Mean</th><td>188.1</td><td>219.4</td>"), std::string::npos);
  EXPECT_NE(page.find("<th scope=\"row\">6 months</th><td>8.1</td><td>12</td><td>12</td><td>10</td>"),
            std::string::npos);
  EXPECT_NE(page.find("<th scope=\"row\">80 % MAR</th><td>66</td><td>306</td>"), std::string::npos);
  EXPECT_NE(page.find("<th scope=\"row\">5</th><td>\u2013</td><td>\u2013</td><td>0.21</td>"), std::string::npos);
  EXPECT_NE(page.find("<th scope=\"row\">October</th><td>0.75590</td><td>0.67749</td><td>0.86353</td>"),
            std::string::npos);
  EXPECT_NE(page.find("<th scope=\"row\">November</th><td>too short</td><td>too short</td>"), std::string::npos);
  // The report's heading blocks: F12.2 and F12.4 for the parameter file's values, I6 for
  // the zero flows; F7.2 and I3 for the historical record.
  EXPECT_NE(page.find("<th scope=\"row\">Std dev. of annual flows</th><td>240.26</td>"), std::string::npos);
  EXPECT_NE(page.find("<td>0.3500, -0.1250</td>"), std::string::npos);
  EXPECT_NE(page.find("<th scope=\"row\">Zero flows</th><td>1</td>"), std::string::npos);
  EXPECT_NE(page.find("<th scope=\"row\">Lag-one autocorrelation</th><td>0.28</td>"), std::string::npos);
  EXPECT_NE(page.find("<th scope=\"row\">Record length (years)</th><td>80</td>"), std::string::npos);
  EXPECT_NE(page.find("use only the years both historic files hold: 45 years from 1935."), std::string::npos);
}

TEST(HtmlPage, ARunLongerThanTheSequencesShowsNoSumWhereTheReportPrintsItsCap) {
  ScratchDir dir;
  const auto s = river_system();
  StatisticsResult r = statistics_of(1, "KLIP01 KLIPRIVIER AT WELGEDACHT");
  r.NYS = 1;
  r.rows = {{"run_sum", 12, 64.3F, SevenValues{87, 83, 75, 66, 59, 51, 50}}, {"run_sum", 24, 188.1F, std::nullopt}};
  auto sink = make_html_sink("report.html", {{}, "1.0.0", nullptr});
  sink->begin_generation(described(*s));
  sink->statistics(r);
  sink->commit();
  const std::string page = read_file("report.html");
  EXPECT_NE(page.find("<th scope=\"row\">12 months</th><td>64.3</td><td>87</td>"), std::string::npos);
  EXPECT_NE(page.find("<th scope=\"row\">24 months</th><td>188.1</td><td>\u2013</td>"), std::string::npos);
  EXPECT_EQ(page.find("1000000</td>"), std::string::npos);
  EXPECT_EQ(page.find(">1000000<"), std::string::npos);  // nor on the chart's axis
}

TEST(HtmlPage, IsTheSameByteForByteForTheSameRunWhereverItIsWritten) {
  ScratchDir dir;
  fs::create_directory("elsewhere");
  const std::string page = written_page("report.html");
  EXPECT_EQ(page, written_page((dir.path() / "elsewhere" / "report.html").string()));
  EXPECT_EQ(page.find(dir.path().string()), std::string::npos);
}

TEST(HtmlPage, IsWrittenOnlyWhenTheRunIsCompleteAndLeavesNothingBehindWhenItEndsEarly) {
  ScratchDir dir;
  { std::ofstream("report.html") << "the page of an earlier run"; }
  const auto s = river_system();
  auto sink = make_html_sink("report.html", {{}, "1.0.0", nullptr});
  sink->begin_generation(described(*s));
  sink->statistics(statistics_of(1, "KLIP01 KLIPRIVIER AT WELGEDACHT"));
  sink->abandon();
  EXPECT_EQ(read_file("report.html"), "the page of an earlier run");
  EXPECT_FALSE(temporary_file_left());
}

TEST(HtmlPage, APathThatCannotBeWrittenEndsTheRunNamingItAndLeavesNoFile) {
  ScratchDir dir;
  const auto s = river_system();
  const std::string missing_folder = "no/such/folder/report.html";
  auto lost = make_html_sink(missing_folder, {{}, "1.0.0", nullptr});
  const std::string message = run_failure([&] { lost->begin_generation(described(*s)); });
  EXPECT_NE(message.find("THE HTML PAGE " + missing_folder), std::string::npos) << message;
  EXPECT_TRUE(message.starts_with(" *** CANNOT CREATE"));

  // A folder standing under the page's name stays as it was.
  fs::create_directory("report.html");
  auto blocked = make_html_sink("report.html", {{}, "1.0.0", nullptr});
  EXPECT_NE(run_failure([&] { blocked->begin_generation(described(*s)); }).find("report.html"), std::string::npos);
  EXPECT_TRUE(fs::is_directory("report.html"));
  EXPECT_TRUE(fs::is_empty("report.html"));
  EXPECT_FALSE(temporary_file_left());
}

}  // namespace
}  // namespace flowplex
