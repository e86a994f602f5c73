// zirel-correct as a user runs it: refusals with their exit codes and messages, the
// report's counts, and nothing written over an existing file by a refused run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include "tests/correction/rotation_simulation.h"

namespace {

namespace fs = std::filesystem;

const std::string CELL = " --cell 7.1 9.4 11.2 90 101.3 90 --uvw 0 0 1 --wavelength 0.71073";

struct Outcome {
  int code;
  std::string out, err;
};

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Records as written end in CR LF, as zirel-batch writes them; compared without the CR.
std::string without_cr(std::string s) {
  std::erase(s, '\r');
  return s;
}

fs::path dir() {
  static const fs::path d = [] {
    // One folder per test process: ctest runs the cases side by side.
    fs::path p = fs::path(::testing::TempDir()) / ("zirel_correct_transcripts_" + std::to_string(getpid()));
    fs::create_directories(p);
    std::ofstream f(p / "sim.hkl", std::ios::binary);
    zirel::simulation::simulate({}, [&](const zirel::simulation::Record& r) {
      f << zirel::simulation::shelx_line(r, 1000, 10, "  frame 12") << '\n';
    });
    f << "   0   0   0    0.00    0.00   0\n";
    std::ofstream plain(p / "plain.hkl", std::ios::binary);
    plain << "   1   2   3 1000.00   10.00\n   2   2   3 1000.00   10.00\n";
    return p;
  }();
  // Removed when the test process ends, so runs leave nothing behind in the temporary folder.
  static const struct Remove {
    fs::path p;
    ~Remove() {
      std::error_code ignored;
      fs::remove_all(p, ignored);
    }
  } remove{d};
  return d;
}

Outcome run(const std::string& args) {
  const fs::path out = dir() / "stdout.txt", err = dir() / "stderr.txt";
  const std::string command = "cd \"" + dir().string() + "\" && \"" ZIREL_CORRECT "\" " + args + " >\"" +
                              out.string() + "\" 2>\"" + err.string() + "\"";
  const int status = std::system(command.c_str());
  return {WEXITSTATUS(status), slurp(out), slurp(err)};
}

struct Refusal {
  const char* name;
  std::string args;
  int code;
  std::string message;
};
// Named in the test list by what it is, not by its bytes.
void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }
class Refused : public ::testing::TestWithParam<Refusal> {};
TEST_P(Refused, TellsWhyAndLeavesTheOutputAlone) {
  { std::ofstream(dir() / "existing.hkl", std::ios::binary) << "keep me\n"; }
  const Outcome o = run(GetParam().args);
  EXPECT_EQ(o.code, GetParam().code) << o.err;
  EXPECT_NE(o.err.find(GetParam().message), std::string::npos) << o.err;
  EXPECT_EQ(slurp(dir() / "existing.hkl"), "keep me\n");
  EXPECT_FALSE(fs::exists(dir() / "existing.hkl.zirel-part"));
}
INSTANTIATE_TEST_SUITE_P(
    Runs, Refused,
    ::testing::Values(
        Refusal{"no_cosines", "--input plain.hkl --output existing.hkl --anvil-height 1.6 --seat-opening 38" + CELL, 2,
                "has no direction cosines: expected a batch number in columns 29-32"},
        Refusal{"output_is_input", "--input existing.hkl --output ./existing.hkl --anvil-height 1.6 --seat-opening 38" + CELL,
                2, "is the input file"},
        Refusal{"wrong_cell",
                "--input sim.hkl --output existing.hkl --anvil-height 1.6 --seat-opening 38 --cell 7.3 9.4 11.2 90 "
                "101.3 90 --uvw 0 0 1 --wavelength 0.71073",
                2, "fail the direction-cosine check"},
        Refusal{"no_height", "--input sim.hkl --output existing.hkl --seat-opening 38" + CELL, 2, "anvil has no height"},
        Refusal{"no_opening", "--input sim.hkl --output existing.hkl --anvil-height 1.6" + CELL, 2, "no opening"},
        Refusal{"bad_formula", "--input sim.hkl --output existing.hkl --anvil-height 1.6 --seat-opening 38 "
                               "--anvil-material Qq" + CELL, 2, "anvil.material \"Qq\""},
        Refusal{"missing_dac_file", "--input sim.hkl --output existing.hkl --dac none.toml" + CELL, 2,
                "--dac: cannot read none.toml"},
        Refusal{"singular_cell", "--input sim.hkl --output existing.hkl --anvil-height 1.6 --seat-opening 38 "
                                 "--cell 7 9 11 0 0 0 --uvw 0 0 1 --wavelength 0.71", 3, ""},
        Refusal{"bad_set", "--input sim.hkl --output existing.hkl --set anvil.height_mm" + CELL, 2, "give KEY=VALUE"},
        Refusal{"cif_is_output", "--input sim.hkl --output existing.hkl --cif ./existing.hkl --anvil-height 1.6 "
                                 "--seat-opening 38" + CELL, 2, "is the input or the output file"},
        Refusal{"gasket_without_crystal", "--input sim.hkl --output existing.hkl --anvil-height 1.6 --seat-opening 38 "
                                          "--gasket-material Fe --gasket-density 7.874 --gasket-thickness 0.08 "
                                          "--gasket-hole 0.15" + CELL, 2, "crystal: "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Corrected, KeepsEveryColumnAndReportsTheCounts) {
  const Outcome o = run("--input sim.hkl --output out.hkl --anvil-height 1.6 --seat-opening 38 --json" + CELL);
  ASSERT_EQ(o.code, 0) << o.err;
  EXPECT_NE(o.out.find("\"not_unit\": 0, \"wrong_angle\": 0"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("\"uvw\": [0, 0, 1]"), std::string::npos) << o.out;
  const std::string in = slurp(dir() / "sim.hkl"), out = without_cr(slurp(dir() / "out.hkl"));
  // The first written record: same h k l and columns after 28 as an input record, I larger.
  const std::string first = out.substr(0, out.find('\n'));
  ASSERT_GT(first.size(), 80u);
  const std::size_t at = in.find(first.substr(28));
  ASSERT_NE(at, std::string::npos) << "columns after 28 unchanged";
  EXPECT_EQ(in.substr(in.rfind('\n', at) + 1, 12), first.substr(0, 12));
  EXPECT_GT(std::stod(first.substr(12, 8)), 1000.0);
  EXPECT_NE(first.find("  frame 12"), std::string::npos);

  const Outcome plain = run("--input sim.hkl --output plain-out.hkl --anvil-height 1.6 --seat-opening 38 "
                            "--output-layout plain" + CELL);
  ASSERT_EQ(plain.code, 0) << plain.err;
  const std::string p = without_cr(slurp(dir() / "plain-out.hkl"));
  EXPECT_EQ(p.find('\n'), 28u);
  EXPECT_EQ(plain.out.rfind("PROGRAM COMPLETED:", 0), 0u);
}

// With a gasket and the crystal: the CIF lines name a numerical correction and its
// range as the report gives it, and the materials used.
TEST(Corrected, GasketAndCrystalWithCifLines) {
  const std::string chamber = " --gasket-material Fe --gasket-density 7.874 --gasket-thickness 0.08 --gasket-hole 0.15"
                              " --crystal-on cylinder --crystal-diameter 0.06 --crystal-thickness 0.02"
                              " --crystal-material SiO2 --crystal-density 2.65";
  const Outcome o = run("--input sim.hkl --output gasket.hkl --anvil-height 1.6 --seat-opening 38 --cif step.cif" +
                        chamber + CELL);
  ASSERT_EQ(o.code, 0) << o.err;
  EXPECT_NE(o.out.find("Gasket's shadow, + side:      begins 29."), std::string::npos) << o.out;
  const std::string cif = slurp(dir() / "step.cif");
  EXPECT_EQ(cif.rfind("_exptl_absorpt_correction_type    numerical\n", 0), 0u) << cif;
  const std::size_t t = o.out.find("T min, T max:    ");
  ASSERT_NE(t, std::string::npos);
  const std::string t_min = o.out.substr(t + 17, 6), t_max = o.out.substr(t + 24, 6);
  EXPECT_NE(cif.find("_exptl_absorpt_correction_T_min   " + t_min + "\n"), std::string::npos) << cif;
  EXPECT_NE(cif.find("_exptl_absorpt_correction_T_max   " + t_max + "\n"), std::string::npos) << cif;
  for (const char* part : {"Zirel ", "gasket Fe", "crystal SiO2", "hole 0.150 mm", "mu "})
    EXPECT_NE(cif.find(part), std::string::npos) << part << "\n" << cif;
  EXPECT_FALSE(fs::exists(dir() / "step.cif.zirel-part"));
}

TEST(Corrected, KeepUncheckedWritesFailingRecordsUnchanged) {
  std::string in = slurp(dir() / "sim.hkl");
  // One record's first cosine spoilt: it fails the unit-length test.
  const std::size_t line2 = in.find('\n') + 1;
  in.replace(line2 + 33, 7, "0.99999");
  std::ofstream(dir() / "damaged.hkl", std::ios::binary) << in;
  const Outcome dropped = run("--input damaged.hkl --output d1.hkl --anvil-height 1.6 --seat-opening 38 --json" + CELL);
  ASSERT_EQ(dropped.code, 0) << dropped.err;
  EXPECT_NE(dropped.out.find("\"kept_unchecked\": 0"), std::string::npos);
  EXPECT_NE(dropped.out.find("\"not_unit\": 1"), std::string::npos) << dropped.out;
  const Outcome kept = run("--input damaged.hkl --output d2.hkl --anvil-height 1.6 --seat-opening 38 --json "
                           "--keep-unchecked" + CELL);
  ASSERT_EQ(kept.code, 0) << kept.err;
  EXPECT_NE(kept.out.find("\"kept_unchecked\": 1"), std::string::npos) << kept.out;
  const std::string spoilt = in.substr(line2, in.find('\n', line2) - line2);
  // Its values unchanged (the writer picks the decimals per record, as zirel-batch does)
  // and every column after 28 as read.
  const std::string written = without_cr(slurp(dir() / "d2.hkl"));
  const std::size_t at = written.find(spoilt.substr(28));
  ASSERT_NE(at, std::string::npos) << written.substr(0, 400);
  const std::string line = written.substr(at - 28, spoilt.size());
  EXPECT_EQ(line.substr(0, 12), spoilt.substr(0, 12));
  EXPECT_EQ(std::stod(line.substr(12, 8)), std::stod(spoilt.substr(12, 8)));
  EXPECT_EQ(std::stod(line.substr(20, 8)), std::stod(spoilt.substr(20, 8)));
}

}  // namespace
