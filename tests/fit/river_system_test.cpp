#include "fit/fit.hpp"
#include "fit/verify.hpp"

#include <gmock/gmock.h>

#include <algorithm>

#include "fit_fixtures.hpp"
#include "generation/forecast.hpp"
#include "generation/generator.hpp"
#include "generation/parameter_file.hpp"
#include "generation/random_stream.hpp"

namespace flowplex::fit {
namespace {

using ::testing::HasSubstr;
using testing::run_failure;
using testing::Scratch;

namespace fs = std::filesystem;

const std::string kFourNodes = std::string(FLOWPLEX_SOURCE_DIR) + "/tests/fit/data/colorado_four_nodes.csv";

// Runs in a folder for as long as it lives, as the generator reads the system's files
// from the working folder.
class InFolder {
 public:
  explicit InFolder(const fs::path& p) : previous_(fs::current_path()) { fs::current_path(p); }
  ~InFolder() { fs::current_path(previous_); }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  fs::path previous_;
};

FitOptions four_nodes(const fs::path& folder) {
  FitOptions o;
  o.records = kFourNodes;
  o.out = (folder / "colorado").string();
  o.scale = 0.001;
  return o;
}

// The four nodes fitted and written once for all the tests of the suite.
class FourNodes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new fs::path(fs::temp_directory_path() / ("flowplex_fit_four_nodes_" + std::to_string(::getpid())));
    fs::remove_all(*folder_);
    fs::create_directories(*folder_);
    options_ = new FitOptions(four_nodes(*folder_));
    system_ = new RiverSystem(fit_from_options(*options_));
    write_river_system(*system_, *options_);
  }
  static void TearDownTestSuite() {
    fs::remove_all(*folder_);
    delete system_;
    delete options_;
    delete folder_;
  }
  static fs::path* folder_;
  static FitOptions* options_;
  static RiverSystem* system_;
};

fs::path* FourNodes::folder_ = nullptr;
FitOptions* FourNodes::options_ = nullptr;
RiverSystem* FourNodes::system_ = nullptr;

// The generator loaded from a fitted system, as a run loads it.
struct LoadedSystem {
  std::unique_ptr<Store> store = make_store();
  GeneratorState state;
  std::istringstream answers;
  std::ostringstream progress;
  Console console{answers, progress};

  explicit LoadedSystem(const fs::path& folder) {
    const InFolder here(folder);
    store->RIVER.PARM.PARMFILE.assign("PARMSET.DAT");
    rng::start(state.STDAT);
    ensure_loaded((*store).RIVER, console);
  }

  // One sequence of `years` years of option `option`, as the generation loop makes it;
  // each year's flows of every gauge go to `year_made`.
  template <typename YearMade>
  void sequence(const fs::path& folder, int option, int years, YearMade year_made) {
    const InFolder here(folder);
    Store& s = *store;
    if (option == kForecasting) load_forecast_model(s.RIVER);
    state.STDAT.NEWSEQ = 1;
    for (int y = 1; y <= years; ++y) {
      anskom(s.RIVER, state, console, GenerationOption(option));
      year_made(y);
    }
    if (years < 201) run_off(s.RIVER, state, console, GenerationOption(option), 201 - years);
  }
};

bool leaves_no_partial_folder(const fs::path& folder) {
  return std::none_of(fs::directory_iterator(folder), fs::directory_iterator(),
                      [](const fs::directory_entry& e) { return e.path().filename().string().find(".partial-") != std::string::npos; });
}

TEST_F(FourNodes, WritesEveryFileOfTheRiverSystemAndTheFitReport) {
  const FitOptions& options = *options_;
  for (const std::string stem : {"node01", "node03", "node08", "node16"})
    for (const std::string ext : {".INC", ".RNK", ".HIS", ".AFF", ".IRR"}) EXPECT_TRUE(fs::exists(fs::path(options.out) / (stem + ext)));
  EXPECT_FALSE(fs::exists(fs::path(options.out) / "node01.RAN"));
  for (const std::string name : {"PARMSET.DAT", "PARAMFOR.DAT", "fit_report.txt", "fit_report.csv"})
    EXPECT_TRUE(fs::exists(fs::path(options.out) / name));
  EXPECT_TRUE(leaves_no_partial_folder(*folder_));
  std::ifstream report(fs::path(options.out) / "fit_report.txt");
  const std::string text((std::istreambuf_iterator<char>(report)), std::istreambuf_iterator<char>());
  EXPECT_THAT(text, HasSubstr(" 4 GAUGES, HYDROLOGICAL YEARS (OCTOBER TO SEPTEMBER) 1906 TO 2007 (102 YEARS)"));
  EXPECT_THAT(text, HasSubstr("MONTHS FLOORED TO"));
}

TEST_F(FourNodes, ReflectsTheRecordInItsModels) {
  const RiverSystem& s = *system_;
  // node08 and node16 have years of zero or negative flow: SN or SU.
  for (const int g : {2, 3}) {
    const int type = s.annual[static_cast<std::size_t>(g)].transform.type;
    EXPECT_TRUE(type == kSN || type == kSU) << g;
  }
  EXPECT_EQ(s.keys.front(), 1);  // node01 carries most of the flow
  EXPECT_EQ(s.records.current[0].size(), 3u);  // October to December 2008
  for (const GaugeAnnualModel& a : s.annual) {
    EXPECT_NEAR(a.amean, 0.0, 1.0e-9);
    EXPECT_NEAR(a.asd, 1.0, 1.0e-9);
    EXPECT_TRUE(stationary_and_invertible(a.arma.model));
  }
  // Months at or below zero are floored for the logarithms and listed.
  const GaugeForecastModel& node16 = s.forecast.gauges[3];
  EXPECT_FALSE(node16.floored.empty());
  EXPECT_GT(node16.floor, 0.0);
  for (const double q : node16.previous) EXPECT_GT(q, 0.0);
}

TEST_F(FourNodes, RunsInTheRigorousTheBootstrapAndTheForecastingOptions) {
  const FitOptions& options = *options_;
  const RiverSystem& fitted = *system_;
  LoadedSystem system(options.out);
  for (const int option : {kRigorous, kBootstrap, kForecasting}) {
    system.sequence(options.out, option, 30, [&](int y) {
      for (int g = 1; g <= 4; ++g)
        for (int m = 1; m <= 12; ++m) {
          const double q = system.state.STOQ.QMONTH(g, m);
          ASSERT_TRUE(std::isfinite(q)) << option << " " << g << " " << m;
          // Intervening flows split by a year's pattern keep that year's negative months;
          // the bootstrap sets them to zero, the forecasting mode's flows are exponentials.
          if (option != kRigorous) {
            EXPECT_GE(q, 0.0);
          }
          // The forecasting mode starts from the recorded October to December.
          if (option == kForecasting && y == 1 && m <= 3) {
            EXPECT_NEAR(q, fitted.forecast.gauges[static_cast<std::size_t>(g - 1)].current[static_cast<std::size_t>(m - 1)], 0.005);
          }
        }
    });
  }
}

// The historical annual mean and standard deviation and the twelve monthly means of the
// gauges of positive annual flow lie between the 5 % and 95 % values of 41 rigorous
// sequences as long as the record.
TEST_F(FourNodes, RigorousSequencesReproduceTheRecordOfTheColoradoNodes) {
  const FitOptions& options = *options_;
  const Records& r = system_->records;
  LoadedSystem system(options.out);
  constexpr int kStatistics = 14;  // annual mean, annual sd, twelve monthly means
  const auto statistics = [&](const std::function<double(int, int)>& month_of_year, int years) {
    std::vector<double> s(kStatistics, 0.0);
    std::vector<double> annual;
    for (int y = 1; y <= years; ++y) {
      double a = 0.0;
      for (int m = 1; m <= 12; ++m) {
        a += month_of_year(y, m);
        s[static_cast<std::size_t>(1 + m)] += month_of_year(y, m) / years;
      }
      annual.push_back(a);
    }
    for (const double a : annual) s[0] += a / years;
    for (const double a : annual) s[1] += (a - s[0]) * (a - s[0]) / (years - 1);
    s[1] = std::sqrt(s[1]);
    return s;
  };
  int pairs = 0;
  int inside = 0;
  for (int g = 1; g <= r.gauge_count(); ++g) {
    const std::vector<double> annual = r.annual_series(g - 1);
    if (*std::min_element(annual.begin(), annual.end()) <= 0.0) continue;
    const std::vector<double> historical = statistics([&](int y, int m) { return r.month(g - 1, y - 1, m - 1); }, r.years);
    std::vector<std::vector<double>> generated(kStatistics);
    std::vector<std::array<double, 12>> months(static_cast<std::size_t>(r.years));
    for (int seq = 1; seq <= kSequences; ++seq) {
      system.sequence(options.out, kRigorous, r.years, [&](int y) {
        for (int m = 1; m <= 12; ++m) months[static_cast<std::size_t>(y - 1)][static_cast<std::size_t>(m - 1)] = system.state.STOQ.QMONTH(g, m);
      });
      const std::vector<double> s = statistics([&](int y, int m) { return months[static_cast<std::size_t>(y - 1)][static_cast<std::size_t>(m - 1)]; }, r.years);
      for (int k = 0; k < kStatistics; ++k) generated[static_cast<std::size_t>(k)].push_back(s[static_cast<std::size_t>(k)]);
    }
    for (int k = 0; k < kStatistics; ++k) {
      std::vector<double>& v = generated[static_cast<std::size_t>(k)];
      std::sort(v.begin(), v.end(), std::greater<>());
      ++pairs;
      inside += historical[static_cast<std::size_t>(k)] <= v[1] && historical[static_cast<std::size_t>(k)] >= v[38];
    }
  }
  ASSERT_EQ(pairs, 2 * kStatistics);  // node01 and node03
  EXPECT_GE(inside, 0.8 * pairs);
}

TEST_F(FourNodes, AnOutputFolderThatIsNotEmptyIsRefusedAndLeftAsItWas) {
  Scratch scratch;
  FitOptions options = four_nodes(scratch.path());
  fs::create_directories(options.out);
  scratch.file("colorado/notes.txt", "mine");
  std::ostringstream console;
  EXPECT_THAT(run_failure([&] { fit_and_write(options, console); }),
              HasSubstr(" *** THE OUTPUT FOLDER " + options.out + " EXISTS AND IS NOT EMPTY ***"));
  EXPECT_EQ(std::distance(fs::directory_iterator(options.out), fs::directory_iterator()), 1);
  // An empty folder is taken.
  fs::remove(fs::path(options.out) / "notes.txt");
  write_river_system(*system_, options);
  EXPECT_TRUE(fs::exists(fs::path(options.out) / "PARMSET.DAT"));
}

// A gauge that never flows has no annual model; its years come from the nearest year,
// and its months are floored for the forecasting mode. Rainfall records give .RAN files.
TEST(FittedSystem, AGaugeThatNeverFlowsAndRainfallRecordsAreWrittenAndRun) {
  Scratch scratch;
  auto months = testing::synthetic_months(2, 20, 9);
  months.push_back(std::vector<double>(months[0].size(), 0.0));
  const std::vector<std::string> names{"UP01 UPPER", "DOWN02 LOWER", "DRY03 NEVER FLOWS"};
  FitOptions options;
  options.records = scratch.file("flows.csv", testing::records_csv(names, 1960, months));
  options.rainfall = scratch.file("rain.csv", testing::records_csv(names, 1960, testing::synthetic_months(3, 20, 10)));
  options.out = (scratch.path() / "system").string();
  const RiverSystem fitted = fit_from_options(options);
  write_river_system(fitted, options);
  EXPECT_TRUE(fs::exists(fs::path(options.out) / "DRY03.RAN"));
  EXPECT_EQ(fitted.annual[2].transform.type, kNoModel);
  EXPECT_EQ(fitted.keys, (std::vector<int>{2, 1}));  // the larger gauge first; the dry one never
  EXPECT_EQ(fitted.forecast.gauges[2].floored.size(), 12u * 19 + 3);
  LoadedSystem system(options.out);
  for (const int option : {kRigorous, kBootstrap, kForecasting})
    system.sequence(options.out, option, 20, [&](int) {
      for (int m = 1; m <= 12; ++m) {
        const double dry = system.state.STOQ.QMONTH(3, m);
        EXPECT_NEAR(dry, option == kForecasting ? 0.01 : 0.0, 1.0e-7) << option;  // the floor, through ln and exp
      }
    });
}

TEST(FitRefused, AValueTooLargeForTheSeriesFilesSuggestsAnotherUnitAndWritesNothing) {
  Scratch scratch;
  FitOptions options = four_nodes(scratch.path());
  options.scale = 1.0;  // acre-feet: the largest months do not fit seven columns
  std::ostringstream console;
  EXPECT_THAT(run_failure([&] { fit_and_write(options, console); }), HasSubstr("--scale"));
  EXPECT_FALSE(fs::exists(options.out));
  EXPECT_TRUE(leaves_no_partial_folder(scratch.path()));
}

// The read-back check compares every parameter with the fit: a file that says
// something else is caught before the folder is renamed.
TEST_F(FourNodes, AWrittenSystemThatDoesNotReadBackAsFittedIsCaught) {
  Scratch scratch;
  const fs::path copy = scratch.path() / "copy";
  fs::copy(options_->out, copy);
  std::ifstream in(copy / "PARMSET.DAT");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  // node03's annual model line, three lines below its name: its ASD, the second value, made 1.1.
  std::size_t at = text.find("node03");
  for (int line = 0; line < 3; ++line) at = text.find('\n', at) + 1;
  const std::size_t asd = text.find_first_not_of(' ', text.find(' ', text.find_first_not_of(' ', at)));
  text.replace(asd, text.find(' ', asd) - asd, "1.100000");
  std::ofstream(copy / "PARMSET.DAT") << text;
  EXPECT_THAT(run_failure([&] { verify_written_system(copy, *system_); }), HasSubstr("READS BACK 1.100000 FOR ASD OF GAUGE 2"));
}

TEST_F(FourNodes, KeyGaugesAreNamedByNumberOrStemAndRefusedWhenTheyAreNoGauges) {
  const RiverSystem& s = *system_;
  std::string rule;
  EXPECT_THAT(run_failure([&] { choose_keys(s.records, s.annual, "node03, 9", rule); }),
              HasSubstr("KEY GAUGE '9' IS NEITHER A GAUGE NUMBER 1 TO 4"));
  EXPECT_THAT(run_failure([&] { choose_keys(s.records, s.annual, "node03,2", rule); }), HasSubstr("KEY GAUGE '2' IS NAMED TWICE"));
  EXPECT_EQ(choose_keys(s.records, s.annual, "4, NODE01", rule), (std::vector<int>{4, 1}));
}

}  // namespace
}  // namespace flowplex::fit
