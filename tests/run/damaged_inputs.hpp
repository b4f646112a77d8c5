#pragma once
// Damaged copies of the example river system: each damage, the answers of a run that
// meets it, and what the console then says, in the order of the table "Bad input and
// faults" of docs/faults.md. Whole-run tests meet each in a run; the check of a river
// system must find each of them in the run's own words.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "report/run_ended.hpp"
#include "test_support.hpp"

namespace flowplex::testing {

// Three years, the rigorous option, gauge 1, the default parameter file, its historic
// file, then the statistical properties and the next gauge.
inline const std::string kRigorousAnswers = "3\n0\n1\n0\n\nHIS\n1\n4\n";
// The same in forecasting mode, without the dump.
inline const std::string kForecast = "3\n3\n1\n0\n\nN\nHIS\n1\n4\n";

inline void write_file(const std::string& name, const std::string& text) {
  std::ofstream(name, std::ios::binary) << text;
}
// The file with its first occurrence of from replaced by to.
inline void replace(const std::string& name, const std::string& from, const std::string& to) {
  std::string text = read_file(name);
  const auto at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from << " not in " << name;
  write_file(name, text.replace(at, from.size(), to));
}
// Every line end of every input file turned into CRLF.
inline void crlf_everywhere() {
  for (const auto& f : std::filesystem::directory_iterator(".")) {
    std::string text = read_file(f.path()), out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    write_file(f.path().string(), out);
  }
}
inline std::string garbage() {
  std::string bytes;
  for (int i = 0; i < 3000; ++i) bytes.push_back(static_cast<char>((i * 131 + 7) % 256));
  return bytes;
}

struct DamagedInput {
  const char* what;
  std::function<void()> damage;
  std::string answers;
  std::string message;  // a fragment of the console; for a working run, its last line
  ExitStatus status;
};

inline const std::string P = "PARMSET.DAT", INC = "KLIP01.INC", HIS = "KLIP01.HIS", FOR = "PARAMFOR.DAT";
inline const std::string kWorks = "\n There you go !\n";
inline constexpr ExitStatus kFailed = ExitStatus::RunFailed;

inline std::vector<DamagedInput> damaged_inputs() {
  return {
      {"parameter file missing", [] { std::filesystem::remove(P); }, kRigorousAnswers, "CANNOT OPEN PARAMETER FILE PARMSET.DAT", kFailed},
      {"parameter file empty", [] { write_file(P, ""); }, kRigorousAnswers,
       "FILE PARMSET.DAT LINE 1: FILE ENDS WHERE NUMBER OF GAUGES WAS EXPECTED", kFailed},
      {"parameter file cut in a record",
       [] { write_file(P, read_file(P).substr(0, read_file(P).find("1.511973") + 4)); }, kRigorousAnswers,
       "FILE PARMSET.DAT LINE 7: FILE ENDS WHERE RECORD PERIOD AND STARTING VALUES WAS EXPECTED", kFailed},
      {"parameter not a number", [] { replace(P, "80 1920", "80 19X0"); }, kRigorousAnswers,
       "LINE 6: RECORD PERIOD AND STARTING VALUES: \"19X0\" IS NOT A WHOLE NUMBER", kFailed},
      {"parameter too wide", [] { replace(P, "80 1920", "80 99999999999999999999"); }, kRigorousAnswers,
       "\"99999999999999999999\" IS NOT A WHOLE NUMBER", kFailed},
      {"parameter 1e300", [] { replace(P, "157.051882", "1e300"); }, kRigorousAnswers,
       "LINE 7: TRANSFORM: \"1e300\" IS TOO LARGE", kFailed},
      {"parameter NaN", [] { replace(P, "157.051882", "NaN"); }, kRigorousAnswers, "\"NaN\" IS NOT A NUMBER", kFailed},
      {"parameter inf", [] { replace(P, "157.051882", "inf"); }, kRigorousAnswers, "\"inf\" IS NOT A NUMBER", kFailed},
      {"negative gauge count", [] { replace(P, "    5\n", "   -5\n"); }, kRigorousAnswers,
       "LINE 1: NUMBER OF GAUGES -5 IS NOT 1 TO 300", kFailed},
      {"negative record length", [] { replace(P, "80 1920", "-80 1920"); }, kRigorousAnswers,
       "THE RECORD PERIODS OF THE GAUGES DO NOT OVERLAP", kFailed},
      {"gauge count beyond 300", [] { replace(P, "    5\n", "  301\n"); }, kRigorousAnswers,
       "NUMBER OF GAUGES 301 IS NOT 1 TO 300", kFailed},
      {"key gauge count beyond 300", [] { replace(P, " 3 1 2 3\n", " 301 1 2 3\n"); }, kRigorousAnswers,
       "LINE 3: NUMBER OF KEY GAUGES 301 IS ABOVE 300", kFailed},
      {"parameter line of 10 000 characters", [] { replace(P, "\n 80 1920", "\n" + std::string(10000, ' ') + "80 1920"); },
       kRigorousAnswers, kWorks, ExitStatus::Success},
      {"parameter file of binary garbage", [] { write_file(P, garbage()); }, kRigorousAnswers,
       "FILE PARMSET.DAT LINE 1: NUMBER OF GAUGES: \"", kFailed},
      {"NUL byte in a parameter", [] { replace(P, "80 1920", std::string("80 19\0" "20", 8)); }, kRigorousAnswers,
       "\"19?20\" IS NOT A WHOLE NUMBER", kFailed},
      {"tabs between parameters", [] { replace(P, " 80 1920 ", "\t80\t1920\t"); }, kRigorousAnswers, kWorks,
       ExitStatus::Success},
      {"CRLF line ends in every file", crlf_everywhere, kRigorousAnswers, kWorks, ExitStatus::Success},

      {"series file empty", [] { write_file(INC, ""); }, kRigorousAnswers,
       "FILE KLIP01.INC LINE 1: FILE ENDS BEFORE THE LAST RECORD YEAR", kFailed},
      {"series file cut in a record", [] { write_file(INC, read_file(INC).substr(0, 114 * 40 + 50)); }, kRigorousAnswers,
       "FILE KLIP01.INC LINE 42: FILE ENDS BEFORE THE LAST RECORD YEAR", kFailed},
      {"ranked series file missing", [] { std::filesystem::remove("KLIP01.RNK"); }, kRigorousAnswers,
       "GAUGE 1 (KLIP01 KLIPRIVIER AT WELGEDACHT) HAS NO RANKED STREAMFLOW RECORD", kFailed},
      {"incremental series file missing", [] { std::filesystem::remove(INC); }, kRigorousAnswers,
       "HAS NO INCREMENTAL STREAMFLOW RECORD: ITS YEARS CANNOT BE DRAWN", kFailed},
      {"series value not a number", [] { replace(INC, "   71.37", "   7x.37"); }, kRigorousAnswers,
       "FILE KLIP01.INC LINE 1: COLUMNS 34-40 DO NOT HOLD A NUMBER", kFailed},
      {"series value too wide", [] { replace(INC, "   71.37", " 1271.375"); }, kRigorousAnswers,
       "FILE KLIP01.INC LINE 1: TEXT AFTER COLUMN 114", kFailed},
      {"series value 1e300", [] { replace(INC, "   71.37", " 1.0E300"); }, kRigorousAnswers,
       "LINE 1: COLUMNS 34-40 HOLD A NUMBER TOO LARGE", kFailed},
      {"series value NaN", [] { replace(INC, "   71.37", "     NaN"); }, kRigorousAnswers, "COLUMNS 34-40 DO NOT HOLD A NUMBER",
       kFailed},
      {"series line of 10 000 characters", [] { replace(INC, "   71.37", "   71.37" + std::string(10000, '9')); },
       kRigorousAnswers, "FILE KLIP01.INC LINE 1: TEXT AFTER COLUMN 114", kFailed},
      {"series line with 10 000 trailing blanks", [] { replace(INC, "   236.89", "   236.89" + std::string(10000, ' ')); },
       kRigorousAnswers, kWorks, ExitStatus::Success},
      {"series file of binary garbage", [] { write_file(INC, garbage()); }, kRigorousAnswers,
       "FILE KLIP01.INC LINE 1: COLUMNS 5-8 DO NOT HOLD A WHOLE NUMBER", kFailed},
      {"NUL byte in a series value", [] { replace(INC, "   71.37", std::string("   7\0" "1.37", 8)); }, kRigorousAnswers,
       "COLUMNS 34-40 DO NOT HOLD A NUMBER", kFailed},

      {"historic file missing", [] { std::filesystem::remove(HIS); }, "3\n0\n1\n0\n\nHIS\nINC\n1\n4\n",
       " CANNOT FIND THE HISTORIC FILE \nKLIP01.HIS", ExitStatus::Success},
      {"historic file empty", [] { write_file(HIS, ""); }, kRigorousAnswers,
       ": ITS HISTORIC FILE GAVE NO YEAR", ExitStatus::Success},
      {"historic file of binary garbage", [] { write_file(HIS, garbage()); }, kRigorousAnswers,
       ": ITS HISTORIC FILE GAVE NO YEAR", ExitStatus::Success},
      {"historic line that cannot be read", [] { replace(HIS, "   25.34", "     NaN"); }, kRigorousAnswers,
       " *** HISTORIC FILE KLIP01.HIS LINE 3: COLUMNS 34-40 DO NOT HOLD A NUMBER: READING STOPS THERE WITH 2 YEARS ***",
       ExitStatus::Success},

      {"forecasting parameters missing", [] { std::filesystem::remove(FOR); }, kForecast,
       "CANNOT OPEN FORECASTING PARAMETERS PARAMFOR.DAT", kFailed},
      {"forecasting parameters empty", [] { write_file(FOR, ""); }, kForecast,
       "FILE PARAMFOR.DAT LINE 1: FILE ENDS WHERE TITLE WAS EXPECTED", kFailed},
      {"forecasting parameter not a number", [] { replace(FOR, "0.398308", "0.39x308"); }, kForecast,
       "PARAMFOR.DAT LINE 4: AUTOREGRESSIVE COEFFICIENTS AND NOISE SCALE OF GAUGE 1: \"0.39x308\" IS NOT A NUMBER",
       kFailed},
      {"forecasting parameter 1e300", [] { replace(FOR, "0.398308", "1e300"); }, kForecast, "\"1e300\" IS TOO LARGE",
       kFailed},
      {"forecasting parameters of binary garbage", [] { write_file(FOR, garbage()); }, kForecast,
       "ERROR IN FILE PARAMFOR.DAT LINE", kFailed},
      {"tabs between forecasting parameters", [] { replace(FOR, " 0.398308 ", "\t0.398308\t"); }, kForecast, kWorks,
       ExitStatus::Success},
  };
}

// The example river system copied afresh into the working folder.
inline void restore_examples() {
  namespace fs = std::filesystem;
  for (const auto& f : fs::directory_iterator(fs::path(FLOWPLEX_SOURCE_DIR) / "examples"))
    fs::copy_file(f.path(), f.path().filename(), fs::copy_options::overwrite_existing);
}

}  // namespace flowplex::testing
