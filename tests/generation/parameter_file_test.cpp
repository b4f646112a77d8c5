#include "generation/parameter_file.hpp"

#include "river_files.hpp"

namespace flowplex {
namespace {

using testing::GaugeRecord;

class ParameterFile : public testing::RiverDirectory {
 protected:
  void load(const std::string& text, const std::string& name = "PARMSET.DAT") {
    write(name, text);
    s().PARM.PARMFILE.assign(name);
    anread(s(), con_);
  }
  std::string load_failure(const std::string& text) {
    return testing::run_failure([&] { load(text); });
  }
  // Every file of the gauge holds the years first..last.
  void series_for(const std::string& stem, int first, int last) {
    for (const char* ext : {".INC", ".RNK", ".RAN", ".AFF", ".IRR"}) write(stem + ext, testing::series_years(first, last));
  }
  bool console_has(const std::string& lines) const { return out_.str().find(lines) != std::string::npos; }
};

TEST_F(ParameterFile, LoadsTwoGaugesAndTheirCommonPeriod) {
  series_for("A1", 1920, 1990);
  series_for("B2", 1935, 2000);
  load(testing::parameter_file({{"A1 FIRST RIVER", 71, 1920}, {"B2 SECOND RIVER", 66, 1935}}, "2 2 1"));

  EXPECT_EQ(s().PARM.NGAUGE, 2);
  EXPECT_EQ(s().DSBASE.NKEY, 2);
  EXPECT_EQ(s().DSBASE.KEYG(1), 2);
  EXPECT_EQ(s().DSBASE.KEYG(2), 1);
  EXPECT_EQ(s().PARM.GNAME(2).view(), "B2 SECOND RIVER" + std::string(25, ' '));
  EXPECT_EQ(s().PARM.ISTART, 1935);
  EXPECT_EQ(s().PARM.IEND, 1990);
  EXPECT_EQ(s().PARM.NCOMMON, 56);
  EXPECT_EQ(s().ANN.ITRANS(1), 2);
  EXPECT_EQ(s().ANN.TPAR4(1), 4.5);
  EXPECT_EQ(s().ANN.Y2START(2), 0.4);
  EXPECT_EQ(s().GSUB.THETA(1, 1), 0.125);
  EXPECT_EQ(s().GSUB.PHI(2, 1), -0.25);
  EXPECT_EQ(s().GSUB.P0(1), 0.01);
  EXPECT_EQ(s().GSUB.HSTAT3(2), -35.0);
  EXPECT_EQ(s().ANN.CMAT3(2, 1), 2.001);
  EXPECT_EQ(s().NREC(2), 56);
  EXPECT_EQ(s().QREC02.IY(56, 1), 1990);

  EXPECT_TRUE(console_has("  opening parameter transfer file: PARMSET.DAT" + std::string(29, ' ') + "\n"));
  EXPECT_TRUE(console_has("  STOCHASTICS OF GAUGE A1 FIRST RIVER" + std::string(26, ' ') + "\n  BASED ON          71 YEARS \n"));
  EXPECT_TRUE(console_has(" \n  \n  OVER LAPPING HYDROLOGICAL PERIOD\n"
                          "  Start year           :       1935\n"
                          "  End year             :       1990\n"
                          "  Common period length :         56\n  \n"));
  EXPECT_TRUE(console_has("\n\n READING INCREMENTAL STREAMFLOW FILES\n  A1.INC"));
  EXPECT_TRUE(console_has("\n\n READING IRRIGATION FILES\n"));
  EXPECT_TRUE(out_.str().ends_with(" READING OF FILES COMPLETED \n"));
}

TEST_F(ParameterFile, TwoDigitYearsBelongToTheTwentiethCentury) {
  load(testing::parameter_file({{"X", 2000, 45}, {"Y", 5000, 1899}, {"Z", 3000, 1900}}));
  EXPECT_EQ(s().ANDATA.IYSTART(1), 1945);
  EXPECT_EQ(s().ANDATA.IYSTART(2), 3799);
  EXPECT_EQ(s().ANDATA.IYSTART(3), 1900);
}

TEST_F(ParameterFile, TwelveGaugesTakeTwoLinesPerMatrixRow) {
  std::vector<GaugeRecord> gauges;
  for (int g = 1; g <= 12; ++g) gauges.push_back({"G" + std::to_string(g), 30, 1950});
  load(testing::parameter_file(gauges));
  EXPECT_EQ(s().ANN.CMAT1(12, 12), 12.012);
  EXPECT_EQ(s().ANN.CMAT5(7, 11), 7.011);
  EXPECT_EQ(s().ANN.CMAT5(12, 10), 12.01);
  EXPECT_EQ(s().ANN.CMAT2(1, 13), 0.0);
}

TEST_F(ParameterFile, GroupsMayRunOverSeveralLines) {
  std::string text = testing::parameter_file({{"ONE", 30, 1950}}, "3\n1\n\n1,\n1");
  const std::string one_line = "2, 1.5, 2.5, 3.5, 4.5\n";
  text.replace(text.find(one_line), one_line.size(), "2\n1.5\t2.5\n3.5\n\n4.5 IGNORED REST\n");
  load(text);
  EXPECT_EQ(s().DSBASE.NKEY, 3);
  EXPECT_EQ(s().DSBASE.KEYG(3), 1);
  EXPECT_EQ(s().ANN.TPAR3(1), 3.5);
  EXPECT_EQ(s().ANN.TPAR4(1), 4.5);
  EXPECT_EQ(s().ANN.AMEAN(1), 10.0);
}

TEST_F(ParameterFile, LongRecordGivesATwoHundredYearPeriod) {
  series_for("LONG", 1900, 2149);
  load(testing::parameter_file({{"LONG RECORD", 250, 1900}}, "-1"));
  EXPECT_EQ(s().DSBASE.NKEY, -1);
  EXPECT_EQ(s().PARM.NCOMMON, 200);
  EXPECT_EQ(s().QREC01.IY(200, 1), 2099);
  EXPECT_TRUE(console_has("  End year             :       2099\n"));
  EXPECT_TRUE(console_has("  FIRST/LAST YEAR =        1900       2099\n"));
}

TEST_F(ParameterFile, MissingFileEndsTheRun) {
  s().PARM.PARMFILE.assign("NOWHERE.DAT");
  EXPECT_NE(testing::run_failure([&] { anread(s(), con_); }).find("NOWHERE.DAT"), std::string::npos);
}

TEST_F(ParameterFile, CountsOutsideTheStoreEndTheRun) {
  const std::string two = testing::parameter_file({{"A", 30, 1950}, {"B", 30, 1950}});
  const auto with_first_lines = [&](const std::string& count, const std::string& keys) {
    std::string text = two;
    text.replace(0, text.find("\nGAUGE RECORDS"), count + "\nTITLE\n" + keys);
    return text;
  };
  EXPECT_NE(load_failure(with_first_lines("0", "1 1")).find("LINE 1: NUMBER OF GAUGES 0 IS NOT 1 TO 300"), std::string::npos);
  EXPECT_NE(load_failure(with_first_lines("301", "1 1")).find("NUMBER OF GAUGES 301"), std::string::npos);
  EXPECT_NE(load_failure(with_first_lines("2", "301")).find("LINE 3: NUMBER OF KEY GAUGES 301 IS ABOVE 300"),
            std::string::npos);
  EXPECT_NE(load_failure(with_first_lines("2", "2 1\n3")).find("LINE 4: KEY GAUGE 3 IS NOT A GAUGE NUMBER 1 TO 2"),
            std::string::npos);
  EXPECT_NE(load_failure(with_first_lines("2", "1 0")).find("KEY GAUGE 0"), std::string::npos);
}

TEST_F(ParameterFile, PeriodsThatDoNotOverlapEndTheRun) {
  EXPECT_NE(load_failure(testing::parameter_file({{"A", 10, 1920}, {"B", 10, 1940}}))
                .find("DO NOT OVERLAP (COMMON PERIOD OF -10 YEARS)"),
            std::string::npos);
  EXPECT_NE(load_failure(testing::parameter_file({{"A", 2147483647, 2147483000}, {"B", -2147483647, 1940}}))
                .find("DO NOT OVERLAP"),
            std::string::npos);
}

TEST_F(ParameterFile, UnreadableOrMissingRecordsEndTheRun) {
  const std::string good = testing::parameter_file({{"A", 30, 1950}});
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  EXPECT_NE(load_failure(replaced("100.0 20.0", "nan 20.0")).find("LINE 9: HISTORICAL STATISTICS"), std::string::npos);
  EXPECT_NE(load_failure(replaced("100.0 20.0", "1e999 20.0")).find("LINE 9"), std::string::npos);
  EXPECT_NE(load_failure(replaced("30 1950", "30.5 1950")).find("LINE 6: RECORD PERIOD"), std::string::npos);
  EXPECT_NE(load_failure(replaced("     1001000\nCMAT2", "     1x01000\nCMAT2")).find("LINE 12: ROW OF CMAT1"),
            std::string::npos);
  EXPECT_NE(load_failure(good.substr(0, good.size() - 13)).find("ROW OF CMAT5"), std::string::npos);
  EXPECT_NE(load_failure("1\nTITLE\n").find("LINE 3: FILE ENDS WHERE KEY GAUGES WAS EXPECTED"), std::string::npos);
}

TEST_F(ParameterFile, LoadsTheExampleRiverSystem) {
  const std::filesystem::path examples = std::filesystem::path(FLOWPLEX_SOURCE_DIR) / "examples";
  std::filesystem::current_path(examples);
  s().PARM.PARMFILE.assign("PARMSET.DAT");
  anread(s(), con_);
  EXPECT_NO_THROW(check_for_generation(s(), 0));

  EXPECT_TRUE(console_has("  STOCHASTICS OF GAUGE KLIP01 KLIPRIVIER AT WELGEDACHT         \n  BASED ON          80 YEARS \n"));
  EXPECT_TRUE(console_has("  OVER LAPPING HYDROLOGICAL PERIOD\n"
                          "  Start year           :       1935\n"
                          "  End year             :       1995\n"
                          "  Common period length :         61\n"));
  EXPECT_TRUE(console_has("  MOOI01.IRR" + std::string(40, ' ') + "\n  FIRST/LAST YEAR =        1935       1995\n"));
  EXPECT_FALSE(console_has("CANNOT FIND"));
  EXPECT_EQ(s().NREC(5), 61);
  for (int k = 1; k <= 5; ++k) {
    long double total = 0.0L;
    for (int m = 1; m <= 12; ++m) total += s().QREC02.QM(m, 1, k);
    EXPECT_EQ(s().QREC02.QA(1, k), static_cast<double>(total));
    EXPECT_LE(s().QREC02.QA(1, k), s().QREC02.QA(2, k));  // ranked in ascending annual flow
  }
  EXPECT_TRUE(out_.str().ends_with("\n READING OF FILES COMPLETED \n"));
}

class GenerationCheck : public ParameterFile {};

TEST_F(GenerationCheck, RankedRecordsMustHoldEveryStoredYear) {
  series_for("A1", 1950, 1979);
  load(testing::parameter_file({{"A1 RIVER", 30, 1950}}));
  EXPECT_NO_THROW(check_for_generation(s(), 0));

  s().QREC02.IY(4, 1) = 1899;
  const std::string message = testing::run_failure([&] { check_for_generation(s(), 0); });
  EXPECT_EQ(message, " *** GAUGE 1 (A1 RIVER): YEAR 1953 IS NOT IN ITS RANKED STREAMFLOW RECORD: ITS FLOWS CANNOT BE SPLIT INTO MONTHS ***");
}

TEST_F(GenerationCheck, MissingRankedRecordStopsOnlyTheDisaggregatingOptions) {
  series_for("A1", 1950, 1979);
  std::filesystem::remove("A1.RNK");
  load(testing::parameter_file({{"A1 RIVER", 30, 1950}}));
  EXPECT_TRUE(console_has("  A1.RNK" + std::string(44, ' ') + "\n CANNOT FIND THE FILE - PROCEEDING WITH NEXT FILE\n"));
  EXPECT_NO_THROW(check_for_generation(s(), 2));
  EXPECT_NO_THROW(check_for_generation(s(), 3));
  EXPECT_NE(testing::run_failure([&] { check_for_generation(s(), 0); }).find("GAUGE 1 (A1 RIVER) HAS NO RANKED STREAMFLOW RECORD"),
            std::string::npos);
}

TEST_F(GenerationCheck, MissingIncrementalRecordStopsTheOptionsThatDrawFromIt) {
  series_for("A1", 1950, 1979);
  std::filesystem::remove("A1.INC");
  load(testing::parameter_file({{"A1 RIVER", 30, 1950}}));
  EXPECT_NO_THROW(check_for_generation(s(), 3));
  for (const int IOPT : {0, 2})
    EXPECT_EQ(testing::run_failure([&] { check_for_generation(s(), IOPT); }),
              " *** GAUGE 1 (A1 RIVER) HAS NO INCREMENTAL STREAMFLOW RECORD: ITS YEARS CANNOT BE DRAWN ***");
}

TEST_F(GenerationCheck, MissingRainfallRecordTakesTheIncrementalYears) {
  series_for("A1", 1950, 1979);
  std::filesystem::remove("A1.RAN");
  load(testing::parameter_file({{"A1 RIVER", 30, 1950}}));
  EXPECT_NO_THROW(check_for_generation(s(), 0));
  EXPECT_EQ(s().LINRG01.RINT(1, 1, 1), 0.0);  // no rainfall: the regression of its zeros

  s().QREC01.IY.fill(0);
  s().DSBASE.NKEY = 0;  // a modelled gauge that is not a key gauge draws nothing from its incremental record
  s().ANN.ITRANS(1) = 1;
  EXPECT_NE(testing::run_failure([&] { check_for_generation(s(), 0); }).find("HAS NEITHER A RAINFALL NOR AN INCREMENTAL RECORD"),
            std::string::npos);
}

}  // namespace
}  // namespace flowplex
