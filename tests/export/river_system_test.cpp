#include "export/river_system.hpp"

#include <gtest/gtest.h>

#include "export/digest.hpp"
#include "export/inputs.hpp"
#include "test_support.hpp"

#include <fstream>

namespace flowplex {
namespace {

std::unique_ptr<Store> gauges(std::initializer_list<const char*> names) {
  auto s = make_store();
  for (const char* name : names) s->RIVER.PARM.GNAME(++s->RIVER.PARM.NGAUGE).assign(name);
  return s;
}

// A column names one gauge: a stem that two gauges share, or an empty one, takes the
// gauge's number; the file stem stays the name's first word.
TEST(GaugeLabels, SharedOrMissingStemsAreToldApartByTheGaugeNumber) {
  auto s = gauges({"KLIP01 KLIPRIVIER", "VAAL VAAL AT ONE", "BERG01 BERGSPRUIT", "VAAL VAAL AT TWO", " NO STEM"});
  s->RIVER.DSBASE.NKEY = 2;
  s->RIVER.DSBASE.KEYG(1) = 3;
  s->RIVER.DSBASE.KEYG(2) = 1;
  const auto labels = gauge_labels(s->RIVER);
  ASSERT_EQ(labels.size(), 5U);
  std::vector<std::string> columns, stems;
  for (const auto& g : labels) columns.push_back(g.column), stems.push_back(g.stem);
  EXPECT_EQ(columns, (std::vector<std::string>{"KLIP01", "VAAL_2", "BERG01", "VAAL_4", "_5"}));
  EXPECT_EQ(stems, (std::vector<std::string>{"KLIP01", "VAAL", "BERG01", "VAAL", ""}));
  EXPECT_EQ(labels[1].name, "VAAL VAAL AT ONE");
  EXPECT_TRUE(labels[0].key && labels[2].key);
  EXPECT_FALSE(labels[1].key || labels[3].key || labels[4].key);
}

// The inputs are listed in the order first read, each once: a stem shared by two gauges
// and a gauge chosen twice name their files once; series files not found are left out.
TEST(InputsRead, EveryFileReadIsListedOnceInTheOrderFirstRead) {
  testing::ScratchDir dir;
  auto s = gauges({"KLIP01 KLIPRIVIER", "KLIP01 AGAIN", "BERG01 BERGSPRUIT"});
  s->RIVER.PARM.PARMFILE.assign("PARMSET.DAT");
  for (const char* name : {"PARMSET.DAT", "KLIP01.INC", "BERG01.INC", "BERG01.RNK", "KLIP01.HIS"})
    std::ofstream(name) << name;
  s->RUN.NSEL = 2;
  s->RUN.IGLIST(1) = 1;
  s->RUN.IGLIST(2) = 1;
  s->HIST.HISTFILE(1).assign("KLIP01.HIS");
  s->HIST.HISTFILE(2).assign("KLIP01.HIS");
  const auto inputs = inputs_read(*s);
  std::vector<std::string> paths;
  for (const auto& f : inputs) paths.push_back(f.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"PARMSET.DAT", "KLIP01.INC", "BERG01.INC", "BERG01.RNK", "KLIP01.HIS"}));
  EXPECT_EQ(inputs[1].size, 10U);
  EXPECT_EQ(inputs[1].sha256, sha256_hex("KLIP01.INC"));
  const std::string digest = input_digest(inputs);
  EXPECT_EQ(digest, sha256_hex(inputs_json(inputs).dump()));
  std::ofstream("BERG01.RNK") << "changed";
  EXPECT_NE(input_digest(inputs_read(*s)), digest);
}

}  // namespace
}  // namespace flowplex
