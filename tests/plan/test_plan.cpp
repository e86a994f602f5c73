// Transcript tests of zirel-plan: its answers against zirel-batch --generate reduced
// by symmetry, against a real data set, and its refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include "reduce.h"
#include "transcript.h"

namespace zirel::plan {
namespace {

// The integer that follows "key": inside the object that starts at `object` in a
// JSON text; -1 when it is not there.
long long json_count(const std::string& json, const std::string& object, const std::string& key) {
  const size_t start = json.find("\"" + object + "\": {");
  if (start == std::string::npos)
    return -1;
  const size_t at = json.find("\"" + key + "\": ", start);
  if (at == std::string::npos || at > json.find('}', start))
    return -1;
  return std::stoll(json.substr(at + key.size() + 4));
}

struct GenerateCase {
  const char* name;
  const char* symmetry;  // zirel-plan's option
  const char* group;     // for gemmi's reduction
  const char* cell;
  const char* axis;
  const char* wavelength;
  const char* psi_max;
  bool anomalous;
};
// Named by what a reader of the test list knows it by, not by its bytes.
void PrintTo(const GenerateCase& c, std::ostream* os) { *os << c.name; }

const GenerateCase GENERATE_CASES[] = {
    {"Monoclinic", "--space-group P21/c", "P 1 21/c 1", "7.512 9.874 11.236 90 103.47 90", "--uvw 0 1 0", "0.7093",
     "35", false},
    {"MonoclinicAnomalous", "--space-group P21", "P 1 21 1", "7.512 9.874 11.236 90 103.47 90", "--hkl 1 0 2",
     "0.7093", "40", true},
    {"LaueClass", "--laue 2/m", "P 1 2/m 1", "7.512 9.874 11.236 90 103.47 90", "--uvw 1 0 1", "0.56087", "38",
     false},
    {"Pbnm", "--space-group 'P b n m'", "P b n m", "5.3 5.5 7.7 90 90 90", "--uvw 1 1 0", "0.56087", "38", false},
    {"OrthorhombicAnomalous", "--space-group P212121 --anomalous", "P 21 21 21", "5.3 6.5 7.7 90 90 90",
     "--hkl 1 1 1", "0.71073", "35", true},
    {"Rhombohedral", "--space-group R-3:R", "R -3:R", "6 6 6 80 80 80", "--uvw 1 1 1", "0.71073", "30", false},
    {"Hexagonal", "--space-group P63 --anomalous", "P 63", "6 6 9 90 90 120", "--uvw 1 0 0", "0.71073", "35", true},
    {"Diamond", "--space-group Fd-3m", "F d -3 m:1", "5.431 5.431 5.431 90 90 90", "--uvw 0 0 1", "0.4", "42", false},
};

class AgainstGeneration : public Plan, public ::testing::WithParamInterface<GenerateCase> {};

// zirel-plan's accessible count is zirel-batch --generate's output reduced by symmetry.
TEST_P(AgainstGeneration, AccessibleCountIsTheBatchOutputReduced) {
  const GenerateCase& c = GetParam();
  const std::string params = std::string("--cell ") + c.cell + " " + c.axis + " --wavelength " + c.wavelength +
                             " --psi-max " + c.psi_max;
  const Transcript batch = run(ZIREL_BATCH, "--quiet --generate --output generated.hkl " + params);
  ASSERT_EQ(batch.exit_code, 0) << batch.err;
  const Transcript report = plan(params + " " + c.symmetry + (c.anomalous ? " --anomalous" : "") + " --json");
  ASSERT_EQ(report.exit_code, 0) << report.err;
  const auto generated = testing::shelx_indices((dir_ / "generated.hkl").string());
  const auto reduced = testing::reduce({c.group, c.anomalous}, generated);
  EXPECT_GT(reduced.size(), 50u);
  EXPECT_EQ(json_count(report.out, "overall", "accessible"), static_cast<long long>(reduced.size()));
}

INSTANTIATE_TEST_SUITE_P(Cases, AgainstGeneration, ::testing::ValuesIn(GENERATE_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

const std::string MONOCLINIC = "--cell 7.512 9.874 11.236 90 103.47 90 --space-group P21/c --wavelength 0.7093 "
                               "--psi-max 35 --uvw 0 1 0";

TEST_F(Plan, ReportNamesWhatItUsedAndEndsWithTheTotals) {
  const Transcript t = plan(MONOCLINIC + " --shells 3");
  ASSERT_EQ(t.exit_code, 0) << t.err;
  EXPECT_EQ(t.err, "");
  std::istringstream lines(t.out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "Symmetry: space group P 1 21/c 1 (14), Laue class 2/m, unique axis b; Friedel mates together");
  std::getline(lines, line);
  EXPECT_EQ(line, "Cell 7.512 9.874 11.236 90 103.47 90, wavelength 0.7093 A, Psi max 35 deg, axis [0 1 0], "
                  "d min 0.6183 A (the finest the opening allows)");
  int rows = 0;
  while (std::getline(lines, line))
    rows += line.rfind("      ", 0) == 0;  // a shell's number, right-aligned
  EXPECT_EQ(rows, 3);
  EXPECT_NE(t.out.find("\n    all   7.3260   0.6183     3579        594     16.6\n"), std::string::npos) << t.out;
}

// Both layouts are read as the filtering run reads them: the example data in either
// layout give the same figures.
TEST_F(Plan, EitherLayoutGivesTheSameMeasurement) {
  const std::string examples = std::string(" --input '") + ZIREL_EXAMPLES + "/monoclinic.";
  const Transcript shelx = plan(MONOCLINIC + " --json" + examples + "hkl'");
  const Transcript cellex = plan(MONOCLINIC + " --json" + examples + "abs'");
  ASSERT_EQ(shelx.exit_code, 0) << shelx.err;
  ASSERT_EQ(cellex.exit_code, 0) << cellex.err;
  EXPECT_EQ(json_count(shelx.out, "input", "records"), 48);
  EXPECT_EQ(json_count(shelx.out, "overall", "measured"), 42);
  EXPECT_EQ(json_count(shelx.out, "overall", "measured_accessible"), 22);
  const auto overall = [](const std::string& json) { return json.substr(json.find("\"overall\"")); };
  EXPECT_EQ(overall(cellex.out).substr(0, overall(cellex.out).find("\"file\"")),
            overall(shelx.out).substr(0, overall(shelx.out).find("\"file\"")));
}

TEST_F(Plan, MeasuredFileAddsCompletenessAndRedundancy) {
  put("data.hkl", "   1   2   3   100.0     1.0\r\n  -1   2  -3    90.0     1.0\r\n   0   3   0     5.0     1.0\r\n"
                  "   0   2   0    50.0     1.0\r\n  40   0   0     1.0     1.0\r\n   0   0   0     0.0     0.0\r\n"
                  "   5   5   5     1.0     1.0\r\n");
  const Transcript t = plan(MONOCLINIC + " --input data.hkl --json");
  ASSERT_EQ(t.exit_code, 0) << t.err;
  EXPECT_EQ(json_count(t.out, "overall", "measured"), 2);
  EXPECT_EQ(json_count(t.out, "overall", "observations"), 3);
  // Records after 0 0 0 are not read, as in the filtering run.
  EXPECT_EQ(json_count(t.out, "input", "records"), 5);
  EXPECT_EQ(json_count(t.out, "input", "absent"), 1);
  EXPECT_EQ(json_count(t.out, "input", "beyond_d_min"), 1);
  const Transcript text = plan(MONOCLINIC + " --input data.hkl");
  EXPECT_NE(text.out.find("Input data.hkl: 5 records, 3 counted (redundancy 1.50), 1 systematically absent, "
                          "1 finer than d min."),
            std::string::npos)
      << text.out;
}

// Two absent and three too fine, so that each count can only be its own: 0 3 0 and
// 0 5 0 break the 2_1 screw's rule (0 k 0 with k odd), and indices of 40 put d near
// 0.19-0.28 A, far below the opening's 0.62 A.
TEST_F(Plan, AbsentAndTooFineAreCountedApart) {
  put("data.hkl", "   1   2   3   100.0     1.0\r\n   0   3   0     5.0     1.0\r\n  40   0   0     1.0     1.0\r\n"
                  "   0   5   0     5.0     1.0\r\n   0  40   0     1.0     1.0\r\n   0   0  40     1.0     1.0\r\n");
  const Transcript json = plan(MONOCLINIC + " --input data.hkl --json");
  ASSERT_EQ(json.exit_code, 0) << json.err;
  EXPECT_EQ(json_count(json.out, "input", "records"), 6);
  EXPECT_EQ(json_count(json.out, "input", "absent"), 2);
  EXPECT_EQ(json_count(json.out, "input", "beyond_d_min"), 3);
  EXPECT_EQ(json_count(json.out, "overall", "observations"), 1);
  const Transcript text = plan(MONOCLINIC + " --input data.hkl");
  EXPECT_NE(text.out.find("Input data.hkl: 6 records, 1 counted (redundancy 1.00), 2 systematically absent, "
                          "3 finer than d min."),
            std::string::npos)
      << text.out;
}

struct RefusalCase {
  std::string args;
  int exit_code;
  const char* message;
};
// The command line names the case in the test list, not the struct's bytes.
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.args; }

const std::string CELL = "--cell 7.512 9.874 11.236 90 103.47 90 ";
const std::string REST = " --wavelength 0.7093 --psi-max 35 --uvw 0 1 0";
const std::string GROUP = " --space-group P21/c";

const RefusalCase REFUSALS[] = {
    // Symmetry
    {CELL + "--space-group P21c" + REST, 2, "--space-group: unknown space group \"P21c\": write a Hermann-Mauguin symbol"},
    {CELL + "--space-group 0" + REST, 2, "or the number, 1 to 230"},
    {CELL + "--laue -3m" + REST, 2, "--laue: Laue class \"-3m\" needs its setting: -3m1 or -31m"},
    {CELL + "--laue 2/c" + REST, 2, "--laue: unknown Laue class \"2/c\": write one of -1, 2/m"},
    {CELL + REST, 2, "give --space-group NAME or --laue SYMBOL"},
    {CELL + "--space-group P21/c --laue 2/m" + REST, 2, "--space-group excludes --laue"},
    {CELL + "--space-group P4" + REST, 2,
     "--cell: 7.512 9.874 11.236 90 103.47 90 does not have the symmetry of the space group P 4 (75), Laue class 4/m "
     "(a = b, alpha = beta = gamma = 90)"},
    // The report's own options
    {CELL + "--d-min 0" + REST + GROUP, 2, "--d-min must be positive"},
    {CELL + "--d-min x" + REST + GROUP, 2, "--d-min: 'x' is not a number"},
    {CELL + "--d-min 0.01" + REST + GROUP, 2, "give a larger --d-min"},
    {CELL + "--shells 0" + REST + GROUP, 2, "--shells"},
    {CELL + "--d-min 50" + REST + GROUP, 2, "zirel-plan: no reflection has d >= d_min (50 A)"},
    {CELL + "--wavelength 1e6 --psi-max 35 --uvw 0 1 0" + GROUP, 2, "no reflection has d >= d_min (871723.375 A)"},
    {CELL + "--wavelength 0.7 --psi-max 1e-45 --uvw 0 1 0 --json" + GROUP, 2, "no reflection has d >= d_min (infinite)"},
    {CELL + "--input missing.hkl" + REST + GROUP, 2, "--input: cannot open missing.hkl"},
    {CELL + "--frobnicate" + REST + GROUP, 2, "Run with --help for more information."},
    // The run's parameters
    {"--wavelength 0.7093 --psi-max 35 --uvw 0 1 0" + GROUP, 2, "--cell is required"},
    {"--cell 1 2 3 90 90 90 --psi-max 35 --uvw 0 1 0" + GROUP, 2, "--wavelength is required"},
    {"--cell 1 2 3 90 90 90 --wavelength 0.7 --uvw 0 1 0" + GROUP, 2, "--psi-max is required"},
    {"--cell 1 2 3 90 90 90 --wavelength 0.7 --psi-max 35" + GROUP, 2, "--uvw or --hkl is required (or give --settings FILE)"},
    {"--cell 1 2 3 90 90 90 --wavelength 0.7 --psi-max 35 --uvw 0 0 0" + GROUP, 2, "--uvw: AXIS DIRECTION HAS ZERO LENGTH"},
    {"--cell 1 2 3 90 90 90 --wavelength 0.7 --psi-max 35 --hkl 0 0 0" + GROUP, 2, "--hkl: AXIS DIRECTION HAS ZERO LENGTH"},
    {"--cell 1 2 3 90 90 90 --wavelength 0 --psi-max 35 --uvw 0 0 1" + GROUP, 2, "--wavelength: WAVELENGTH MUST BE POSITIVE"},
    {"--cell 1 2 3 90 90 90 --wavelength 0.7 --psi-max 95 --uvw 0 0 1" + GROUP, 2,
     "--psi-max: PSI MAX MUST LIE BETWEEN 0 AND 90 DEGREES"},
    {"--cell 1 2 3 90 90 90 --wavelength 0.7 --psi-max 0 --uvw 0 0 1" + GROUP, 2, "--psi-max must be above 0"},
    {"--cell 1 2 x 90 90 90 --wavelength 0.7 --psi-max 35 --uvw 0 0 1" + GROUP, 2, "--cell: 'x' is not a number"},
    {"--cell 0 2 3 90 90 90 --wavelength 0.7 --psi-max 35 --uvw 0 0 1" + GROUP, 3,
     "SINGULAR UNIT CELL: DETERMINANT OF METRIC TENSOR IS ZERO\n   Determinant of Metric tensor =     0.0000"},
};

class Refused : public Plan, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refused, WithExitCodeAndMessage) {
  const RefusalCase& c = GetParam();
  const Transcript t = plan(c.args);
  EXPECT_EQ(t.exit_code, c.exit_code) << c.args;
  EXPECT_EQ(t.out, "") << c.args;
  EXPECT_NE(t.err.find(c.message), std::string::npos) << c.args << "\n" << t.err;
}

INSTANTIATE_TEST_SUITE_P(Cases, Refused, ::testing::ValuesIn(REFUSALS));

// The example settings file holds the example crystal's cell, b along the axis, Mo and 35 degrees.
TEST_F(Plan, SettingsFileGivesTheParametersAndOptionsGoOverIt) {
  fs::copy_file(fs::path(ZIREL_EXAMPLES) / "zirel.dat", dir_ / "zirel.dat");
  const Transcript explicit_ = plan(MONOCLINIC + " --json");
  const Transcript from_file = plan("--settings zirel.dat --space-group P21/c --json");
  ASSERT_EQ(from_file.exit_code, 0) << from_file.err;
  EXPECT_EQ(from_file.out, explicit_.out);
  const Transcript over = plan("--settings zirel.dat --space-group P21/c --psi-max 40 --hkl 1 0 0 --json");
  EXPECT_NE(over.out.find("\"psi_max\": 40,"), std::string::npos) << over.out;
  EXPECT_NE(over.out.find("\"axis\": {\"kind\": \"hkl\", \"vector\": [1, 0, 0]}"), std::string::npos) << over.out;

  put("broken.dat", "5 5 5 90 90 90\n0.7093 x\n");
  const Transcript broken = plan("--settings broken.dat --space-group P21/c");
  EXPECT_EQ(broken.exit_code, 2);
  EXPECT_NE(broken.err.find("--settings: broken.dat: record 2 cannot be read"), std::string::npos) << broken.err;
}

TEST_F(Plan, UnreadableRecordExitsWithOne) {
  put("bad.hkl", "   1   2   3   100.0     1.0\r\n   2   0   0   1x0.0     1.0\r\n");
  const Transcript t = plan(MONOCLINIC + " --input bad.hkl");
  EXPECT_EQ(t.exit_code, 1);
  EXPECT_EQ(t.out, "");
  EXPECT_NE(t.err.find("--input: bad.hkl: the record after record 1 cannot be read"), std::string::npos) << t.err;
}

TEST_F(Plan, AReportThatCannotBeWrittenIsNotSuccess) {
  const std::string cmd = "'" ZIREL_PLAN "' " + MONOCLINIC + " >/dev/full 2>/dev/null";
  const int status = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 4);
}

TEST_F(Plan, HelpShowsTheUsageAndExamples) {
  const Transcript t = plan("--help");
  EXPECT_EQ(t.exit_code, 0);
  for (const char* part : {"--space-group", "--laue", "--anomalous", "--input", "--shells", "--json", "Examples:",
                           "zirel-plan --cell 7.512 9.874 11.236 90 103.47 90 --space-group P21/c"})
    EXPECT_NE(t.out.find(part), std::string::npos) << part;
}

// A real data set: rock salt measured on a laboratory diffractometer. It is not part
// of the project; without it these tests are reported as skipped.
class NaCl : public Plan {
protected:
  void SetUp() override {
    Plan::SetUp();
    if (!fs::exists(file_))
      GTEST_SKIP() << file_ << " is not there";
  }
  const fs::path file_ = fs::path(ZIREL_SHARED_DATA) / "NaCl.hkl";
  const std::string cell_ = "--cell 5.641087 5.641087 5.641087 90 90 90 --space-group Fm-3m --wavelength 0.71073 ";
};

TEST_F(NaCl, MeasuredCompletenessAndRedundancy) {
  const auto records = testing::shelx_indices(file_.string());
  const auto measured = testing::reduce({"F m -3 m", false}, records);
  const Transcript t = plan(cell_ + "--psi-max 90 --uvw 0 0 1 --d-min 0.39 --json --input '" + file_.string() + "'");
  ASSERT_EQ(t.exit_code, 0) << t.err;
  EXPECT_EQ(records.size(), 8578u);
  EXPECT_EQ(json_count(t.out, "input", "records"), 8578);
  EXPECT_EQ(json_count(t.out, "input", "absent"), 0);
  EXPECT_EQ(json_count(t.out, "input", "beyond_d_min"), 0);
  EXPECT_EQ(json_count(t.out, "overall", "observations"), 8578);
  EXPECT_EQ(json_count(t.out, "overall", "measured"), static_cast<long long>(measured.size()));
  // Every unique reflection to 0.39 A was measured, on average 77 times.
  EXPECT_EQ(json_count(t.out, "overall", "theory"), static_cast<long long>(measured.size()));
  EXPECT_EQ(measured.size(), 111u);
}

// The part of the data a diamond-anvil cell would have let through, for a few axes:
// the accessible unique reflections come from zirel-batch --generate.
TEST_F(NaCl, CompletenessOfTheAccessiblePart) {
  const auto measured = testing::reduce({"F m -3 m", false}, testing::shelx_indices(file_.string()));
  for (const char* axis : {"--uvw 0 0 1", "--uvw 1 1 0", "--uvw 1 1 1", "--hkl 1 2 3"}) {
    const std::string params = cell_ + "--psi-max 35 " + axis;
    const Transcript batch = run(ZIREL_BATCH, "--quiet --generate --output generated.hkl " +
                                                  std::regex_replace(params, std::regex("--space-group Fm-3m "), ""));
    ASSERT_EQ(batch.exit_code, 0) << batch.err;
    const auto accessible = testing::reduce({"F m -3 m", false}, testing::shelx_indices((dir_ / "generated.hkl").string()));
    size_t both = 0;
    for (const auto& key : accessible)
      both += measured.count(key);
    const Transcript t = plan(params + " --json --input '" + file_.string() + "'");
    ASSERT_EQ(t.exit_code, 0) << t.err;
    EXPECT_EQ(json_count(t.out, "overall", "accessible"), static_cast<long long>(accessible.size())) << axis;
    EXPECT_EQ(json_count(t.out, "overall", "measured_accessible"), static_cast<long long>(both)) << axis;
  }
}

}  // namespace
}  // namespace zirel::plan
