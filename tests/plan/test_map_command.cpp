// Transcript tests of `zirel-plan map` and `zirel-plan section`: the figures they
// give agree with the one-orientation report, the files they write hold what they
// say, and impossible requests are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include "transcript.h"

namespace zirel::plan {
namespace {

const std::string CRYSTAL = "--cell 7.512 9.874 11.236 90 103.47 90 --space-group P21/c --wavelength 0.7093 "
                            "--psi-max 35";

// The number after "key": at or after `from` in a JSON text.
long long json_number(const std::string& json, const std::string& key, size_t from = 0) {
  const size_t at = json.find("\"" + key + "\": ", from);
  return at == std::string::npos ? -1 : std::stoll(json.substr(at + key.size() + 4));
}

// The indices after "key": {"indices": [ at or after `from`, as "U V W".
std::string json_indices(const std::string& json, const std::string& key, size_t from) {
  const size_t open = json.find('[', json.find("\"" + key + "\": {\"indices\": [", from)) + 1;
  std::string inside = json.substr(open, json.find(']', open) - open);
  inside.erase(std::remove(inside.begin(), inside.end(), ','), inside.end());
  return inside;
}

class MapCommand : public Plan {
protected:
  // The accessible count of the one-orientation report for an axis.
  long long report_accessible(const std::string& axis) {
    const Transcript t = plan(CRYSTAL + " " + axis + " --json");
    EXPECT_EQ(t.exit_code, 0) << t.err;
    return json_number(t.out, "accessible", t.out.find("\"overall\""));
  }
};

// The map's figures at the lattice directions it recommends are the report's own.
TEST_F(MapCommand, BestMountsCarryTheReportsFigures) {
  const Transcript t = plan("map " + CRYSTAL + " --step 3 --top 2 --json");
  ASSERT_EQ(t.exit_code, 0) << t.err;
  EXPECT_EQ(json_number(t.out, "unique"), 3579);
  const size_t best = t.out.find("\"best\": [");
  ASSERT_NE(best, std::string::npos);
  for (size_t at = t.out.find("\"polar\"", best), n = 0; n < 2; ++n, at = t.out.find("\"polar\"", at + 1)) {
    const size_t uvw = t.out.find("\"uvw\"", at), hkl = t.out.find("\"hkl\"", at);
    EXPECT_EQ(json_number(t.out, "accessible", uvw), report_accessible("--uvw " + json_indices(t.out, "uvw", at)));
    EXPECT_EQ(json_number(t.out, "accessible", hkl), report_accessible("--hkl " + json_indices(t.out, "hkl", at)));
  }
}

// The CSV holds the whole grid, and its best cell is the map's best.
TEST_F(MapCommand, CsvHoldsEveryDirection) {
  const Transcript t = plan("map " + CRYSTAL + " --step 5 --top 1 --csv grid.csv --json");
  ASSERT_EQ(t.exit_code, 0) << t.err;
  std::istringstream csv(slurp(dir_ / "grid.csv"));
  std::string line;
  std::getline(csv, line);
  EXPECT_EQ(line, "polar_deg,azimuth_deg,x,y,z,accessible,completeness_percent");
  long long rows = 0, most = 0;
  while (std::getline(csv, line)) {
    ++rows;
    std::vector<std::string> cells;
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, ',');)
      cells.push_back(cell);
    ASSERT_EQ(cells.size(), 7u) << line;
    const double x = std::stod(cells[2]), y = std::stod(cells[3]), z = std::stod(cells[4]);
    EXPECT_NEAR(x * x + y * y + z * z, 1.0, 1e-5) << line;
    EXPECT_GT(z, 0.0);
    most = std::max(most, std::stoll(cells[5]));
    EXPECT_NEAR(std::stod(cells[6]), 100.0 * std::stod(cells[5]) / 3579, 1e-3);
  }
  EXPECT_EQ(rows, json_number(t.out, "directions"));
  EXPECT_EQ(most, json_number(t.out, "accessible", t.out.find("\"best\"")));
}

// A second mount: the mounts made count as the report counts them, and every next
// mount does at least as well as they do together.
TEST_F(MapCommand, SecondMountAddsToTheFirst) {
  const Transcript t = plan("map " + CRYSTAL + " --step 4 --with 0 1 0 --with-hkl 1 0 0 --svg map.svg");
  ASSERT_EQ(t.exit_code, 0) << t.err;
  const long long b = report_accessible("--uvw 0 1 0"), a_star = report_accessible("--hkl 1 0 0");
  EXPECT_NE(t.out.find("Mount already made: [0 1 0] reaches " + std::to_string(b) + " "), std::string::npos) << t.out;
  EXPECT_NE(t.out.find("Mount already made: normal of (1 0 0) reaches " + std::to_string(a_star) + " "),
            std::string::npos);
  const std::string svg = slurp(dir_ / "map.svg");
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find(">Best next mounts<"), std::string::npos);
  EXPECT_NE(svg.find(">[0 1 0]<"), std::string::npos);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

// The texts of an SVG in the order drawn, without the white halos behind labels.
std::vector<std::string> svg_texts(const std::string& svg) {
  std::vector<std::string> texts;
  for (size_t at = svg.find("<text"); at != std::string::npos; at = svg.find("<text", at + 1)) {
    const size_t open = svg.find('>', at) + 1;
    if (svg.substr(at, open - at).find("stroke=\"#fff\"") == std::string::npos)
      texts.push_back(svg.substr(open, svg.find("</text>", open) - open));
  }
  return texts;
}

// The picture's table says what each column is and gives the value each mount is
// ranked by: the better of its two directions, the JSON's own, best first.
TEST_F(MapCommand, PictureTableShowsWhatRanksTheMounts) {
  const Transcript t = plan("map " + CRYSTAL + " --step 4 --top 4 --svg map.svg --json");
  ASSERT_EQ(t.exit_code, 0) << t.err;
  const std::vector<std::string> texts = svg_texts(slurp(dir_ / "map.svg"));
  const std::vector<std::string> header = {"[U V W]", "compl.", "(h k l)", "compl.", "rank"};
  auto row = std::search(texts.begin(), texts.end(), header.begin(), header.end());
  ASSERT_NE(row, texts.end());
  row += header.size();
  double previous = 101;
  size_t at = t.out.find("\"polar\"", t.out.find("\"best\": ["));
  for (int rank = 1; rank <= 4; ++rank, row += 6, at = t.out.find("\"polar\"", at + 1)) {
    SCOPED_TRACE(rank);
    ASSERT_LE(row + 6, texts.end());
    EXPECT_EQ(row[0], std::to_string(rank));
    const double uvw = std::stod(row[2]), hkl = std::stod(row[4]), ranked = std::stod(row[5]);
    EXPECT_EQ(ranked, std::max(uvw, hkl));
    EXPECT_LE(ranked, previous);
    previous = ranked;
    const long long best = std::max(json_number(t.out, "accessible", t.out.find("\"uvw\"", at)),
                                    json_number(t.out, "accessible", t.out.find("\"hkl\"", at)));
    EXPECT_NEAR(ranked, 100.0 * best / 3579, 0.05);
  }
  EXPECT_NE(std::find(texts.begin(), texts.end(), "worst mount"), texts.end());
}

TEST_F(MapCommand, SectionCountsTheLayerAndRingsTheMeasured) {
  put("data.hkl", "   1   2   0   100.0     1.0\r\n   2   0   0    90.0     1.0\r\n   1   1   1     5.0     1.0\r\n"
                  "   0   0   0     0.0     0.0\r\n   3   0   0     1.0     1.0\r\n");
  const Transcript t =
      plan("section " + CRYSTAL + " --uvw 0 1 0 --plane \"h k 0\" --input data.hkl --svg layer.svg");
  ASSERT_EQ(t.exit_code, 0) << t.err;
  EXPECT_NE(t.out.find("Layer h k 0: accessible "), std::string::npos) << t.out;
  EXPECT_NE(t.out.find(", measured 2\n"), std::string::npos) << t.out;  // the data end at 0 0 0
  const std::string svg = slurp(dir_ / "layer.svg");
  EXPECT_NE(svg.find(">measured (2)<"), std::string::npos);
  EXPECT_NE(svg.find(">DAC axis [0 1 0]<"), std::string::npos);
}

// Cubic, a = 6, layer h k 0: d = 6 / sqrt(h^2 + k^2), so d >= 0.6 is the disc
// h^2 + k^2 <= 100, 317 lattice points (count them) without the origin; 12 of them lie on
// its rim (10 0, 8 6, 6 8 with their signs and swaps). A d min a little above 0.6 loses
// exactly those 12, and 10 0 0 among them is no longer ringed.
TEST_F(MapCommand, SectionKeepsTheReflectionsOnItsLimit) {
  put("data.hkl", "  10   0   0   100.0     1.0\r\n   1   1   0    90.0     1.0\r\n");
  const std::string cubic = "section --cell 6 6 6 90 90 90 --space-group Pm-3m --wavelength 0.71073 --psi-max 35 "
                            "--uvw 0 0 1 --plane \"h k 0\" --input data.hkl --d-min ";
  struct Case {
    const char* d_min;
    int points, measured;
  };
  for (const Case c : {Case{"0.6", 316, 2}, Case{"0.60001", 304, 1}}) {
    const Transcript t = plan(cubic + c.d_min);
    ASSERT_EQ(t.exit_code, 0) << t.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(t.out, m, std::regex("accessible (\\d+), not accessible (\\d+), .*measured (\\d+)")))
        << t.out;
    EXPECT_EQ(std::stoi(m[1]) + std::stoi(m[2]), c.points) << c.d_min;
    EXPECT_EQ(std::stoi(m[3]), c.measured) << c.d_min;
  }
}

struct Refusal {
  const char* args;
  int exit_code;
  const char* message;
};
// The command line names the case in the test list, not the struct's bytes.
void PrintTo(const Refusal& c, std::ostream* os) { *os << c.args; }

const Refusal REFUSALS[] = {
    {"map --cell 5 5 5 90 90 90 --wavelength 0.7 --psi-max 35", 2, "--space-group"},
    {"map --step 0.05", 2, "--step: '0.05' must be a number of degrees from 0.1 to 30"},
    {"map --step fine", 2, "--step: 'fine'"},
    {"map --top 101", 2, "--top must be from 0 to 100"},
    {"map --with 0 0 0", 2, "AXIS DIRECTION HAS ZERO LENGTH"},
    {"map --with 1 x 0", 2, "--with: 'x' is not a number"},
    {"map --with 0 1", 2, "--with: give three numbers for each mount"},
    {"map --with-hkl 1 0", 2, "--with-hkl: give three numbers for each mount"},
    {"map --d-min 50", 2, "no reflection has d >= d_min"},
    {"map --svg no-such-folder/map.svg", 4, "no-such-folder/map.svg"},
    {"map --csv no-such-folder/map.csv", 4, "cannot write no-such-folder/map.csv"},
    {"section --uvw 0 1 0 --plane \"h k l\"", 2, "--plane: 'h k l' is not a layer"},
    {"section --plane \"h k 0\"", 2, "--uvw or --hkl is required"},
    {"section --uvw 0 1 0", 2, "--plane is required"},
    {"section --uvw 0 1 0 --plane \"h k 0\" --input missing.hkl", 2, "--input: cannot open missing.hkl"},
    // The sphere's limit holds for every command, before anything is built.
    {"map --cell 40 40 40 90 90 90 --space-group P1 --wavelength 0.3 --psi-max 40 --step 10 --top 1", 2,
     "holds about 21095862 reflections, more than 20 million: give a larger --d-min"},
    {"section --uvw 0 1 0 --plane \"h k 0\" --d-min 1e-3", 2, "the sphere up to d min 0.001 A holds about"},
    {"section --uvw 0 1 0 --plane \"h k 0\" --d-min 1e-9", 2, "the sphere up to d min 1e-09 A holds about"},
    {"--cell 5 5 5 90 90 90 --space-group P1 --wavelength 1e-6 --psi-max 40 --uvw 0 0 1", 2,
     "reflections, more than 20 million"},
};

class MapRefused : public Plan, public ::testing::WithParamInterface<Refusal> {};

TEST_P(MapRefused, WithExitCodeAndMessage) {
  const Refusal& r = GetParam();
  std::string args = r.args;
  // The crystal goes after the subcommand's name, unless the case is about it.
  if (args.find("--cell") == std::string::npos)
    args.insert(args.find(' '), " " + CRYSTAL);
  const Transcript t = plan(args);
  EXPECT_EQ(t.exit_code, r.exit_code) << args << "\n" << t.err;
  EXPECT_NE(t.err.find(r.message), std::string::npos) << t.err;
  EXPECT_EQ(t.out, "");
}

INSTANTIATE_TEST_SUITE_P(Cases, MapRefused, ::testing::ValuesIn(REFUSALS));

TEST_F(MapCommand, OutputThatCannotBeWrittenIsToldAndNotSuccess) {
  struct Case {
    std::string args;
    const char* message;
  };
  for (const Case& c : {Case{"map " + CRYSTAL + " --step 10", "cannot write the map to standard output"},
                        Case{"section " + CRYSTAL + " --uvw 0 1 0 --plane \"h k 0\"",
                             "cannot write the layer's counts to standard output"}}) {
    const Transcript t = plan(c.args, ">/dev/full");
    EXPECT_EQ(t.exit_code, 4) << c.args;
    EXPECT_NE(t.err.find(c.message), std::string::npos) << t.err;
  }
}

TEST_F(MapCommand, UnreadableRecordExitsWithOne) {
  put("bad.hkl", "   1   2   0   100.0     1.0\r\n   1   x   0   100.0     1.0\r\n");
  const Transcript t = plan("section " + CRYSTAL + " --uvw 0 1 0 --plane \"h k 0\" --input bad.hkl");
  EXPECT_EQ(t.exit_code, 1) << t.err;
  EXPECT_NE(t.err.find("the record after record 1 cannot be read"), std::string::npos) << t.err;
}

TEST_F(MapCommand, HelpShowsExamples) {
  for (const char* sub : {"map", "section"}) {
    const Transcript t = plan(std::string(sub) + " --help");
    EXPECT_EQ(t.exit_code, 0);
    EXPECT_NE(t.out.find("zirel-plan " + std::string(sub)), std::string::npos);
    EXPECT_NE(t.out.find("Examples:"), std::string::npos);
  }
}

}  // namespace
}  // namespace zirel::plan

namespace zirel::plan {

// An output that would destroy an input or another output, or that is no file, is
// refused before anything is written; a run that fails later leaves every file as it was.
TEST_F(MapCommand, OutputsNeverDestroyAFile) {
  struct Case {
    std::string args;
    const char* message;
    int exit_code;
  };
  const std::string SECTION = "section " + CRYSTAL + " --uvw 0 1 0 --plane \"h k 0\" ";
  const std::string MAP = "map " + CRYSTAL + " --step 10 ";
  const Case CASES[] = {
      {SECTION + "--input m.hkl --svg m.hkl", "--svg: m.hkl is the --input file", 2},
      {SECTION + "--input m.hkl --svg link.hkl", "--svg: link.hkl is the --input file", 2},
      {SECTION + "--input m.hkl --svg ./m.hkl", "--svg: ./m.hkl is the --input file", 2},
      {MAP + "--settings zirel.dat --svg zirel.dat", "--svg: zirel.dat is the --settings file", 2},
      {MAP + "--csv new.svg --svg new.svg", "--svg: new.svg is the --csv file too", 2},
      {MAP + "--csv old.csv --svg sub/../old.csv", "is the --csv file too", 2},
      {MAP + "--csv old.csv --svg no/such/dir/m.svg", "cannot write no/such/dir/m.svg", 4},
      {SECTION + "--svg fifo.svg", "--svg: fifo.svg is a device or a FIFO, not a file", 2},
      {MAP + "--csv /dev/null", "--csv: /dev/null is a device or a FIFO, not a file", 2},
  };
  for (const Case& c : CASES) {
    put("m.hkl", slurp(fs::path(ZIREL_EXAMPLES) / "monoclinic.hkl"));
    put("zirel.dat", slurp(fs::path(ZIREL_EXAMPLES) / "zirel.dat"));
    put("old.csv", "old\n");
    fs::remove(dir_ / "link.hkl");
    fs::create_symlink("m.hkl", dir_ / "link.hkl");
    fs::create_directories(dir_ / "sub");
    if (!fs::exists(dir_ / "fifo.svg")) {
      ASSERT_EQ(mkfifo((dir_ / "fifo.svg").c_str(), 0600), 0);
    }
    const Transcript t = plan(c.args);
    EXPECT_EQ(t.exit_code, c.exit_code) << c.args << "\n" << t.err;
    EXPECT_NE(t.err.find(c.message), std::string::npos) << c.args << "\n" << t.err;
    EXPECT_EQ(slurp(dir_ / "m.hkl"), slurp(fs::path(ZIREL_EXAMPLES) / "monoclinic.hkl")) << c.args;
    EXPECT_EQ(slurp(dir_ / "zirel.dat"), slurp(fs::path(ZIREL_EXAMPLES) / "zirel.dat")) << c.args;
    EXPECT_EQ(slurp(dir_ / "old.csv"), "old\n") << c.args;
    EXPECT_FALSE(fs::exists(dir_ / "new.svg")) << c.args;
    // No temporary file is left behind.
    for (const auto& e : fs::directory_iterator(dir_))
      EXPECT_EQ(e.path().filename().string().find(".zirel-"), std::string::npos) << c.args;
  }
}

// A run that succeeds replaces the file a link points to, and keeps the link.
TEST_F(MapCommand, OutputThroughALinkReplacesItsFile) {
  put("old.csv", "old\n");
  fs::create_symlink("old.csv", dir_ / "link.csv");
  const Transcript t = plan("map " + CRYSTAL + " --step 10 --csv link.csv");
  EXPECT_EQ(t.exit_code, 0) << t.err;
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.csv"));
  EXPECT_EQ(slurp(dir_ / "old.csv").rfind("polar_deg,", 0), 0u);
}

}  // namespace zirel::plan
