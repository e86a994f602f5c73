// zirel-correct: the correction of a measured data set from the command line. Every
// check is made before the run, and the output is written under a temporary name and
// renamed into place only when the run completes: a refused or failed run leaves an
// existing file as it was.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/output_files.h"
#include "correct/correct_options.h"
#include "correct/picture.h"
#include "correct/report.h"
#include "correction/correction_run.h"
#include "correction/prepare_correction.h"
#include "correction/transmission_map.h"
#include "filtering/filter_run.h"
#include "recio/platform.h"
#include "recio/statement.h"
#include "recio/unit.h"

namespace zirel::correct {

namespace {

using cli::EXIT_READ_ERROR;
using cli::EXIT_USAGE;
using cli::EXIT_WRITE_FAILURE;

std::string partial_output;  // the temporary file, removed when the program ends early

void remove_partial() {
  if (!partial_output.empty()) {
    std::error_code ignored;
    std::filesystem::remove(platform::utf8_path(partial_output), ignored);
    partial_output.clear();
  }
}

[[noreturn]] void fail_on_io(const FatalReport& report) {
  std::cerr << "zirel-correct: " << report.severity << " (" << report.number << "): " << report.message
            << "\nPROBLEM IN RUNNING PROGRAM\n";
  close_unit(OUTPUT_UNIT);
  remove_partial();
  std::exit(EXIT_WRITE_FAILURE);
}

int refuse(int code, std::string message) { return cli::tell("zirel-correct", {code, std::move(message)}); }

std::string open_error(const char* what, IoStatus st, int32_t unit, const std::string& name) {
  return std::string("cannot ") + what + " " + name + " (" + io_message(st, unit, name) + ")";
}

// The file's bytes, read in binary mode; false when it cannot be read.
bool read_text(const std::string& name, std::string& text) {
  std::ifstream in(platform::utf8_path(name), std::ios::binary);
  if (!in)
    return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return !in.bad();
}

// Whether the folder a file is to be created in exists: checked before the run, so a
// mistyped folder is told at once rather than after the whole data set.
bool folder_exists(const std::string& name) {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::absolute(platform::utf8_path(name), ec).parent_path();
  return !ec && std::filesystem::is_directory(folder, ec);
}

int run(CorrectOptions& o) {
  std::string dac_text;
  if (!o.dac_file.empty() && !read_text(o.dac_file, dac_text))
    return refuse(EXIT_USAGE, "--dac: cannot read " + o.dac_file);
  const correction::DacRead dac =
      correction::read_dac_description(dac_text, o.dac_file.empty() ? "the cell's description" : o.dac_file,
                                       o.overrides);
  if (!dac.dac)
    return refuse(EXIT_USAGE, dac.error);

  // The idealised rule compares with the smaller opening, unless --psi-max names another.
  if (o.parameters.psi_max.empty() && o.parameters.settings_file.empty()) {
    double psi = 90;
    for (const auto* side : {&dac.dac->plus, &dac.dac->minus})
      if (side->opening_deg)
        psi = std::min(psi, *side->opening_deg);
    if (psi < 90)
      o.parameters.psi_max = std::to_string(psi);
    else
      return refuse(EXIT_USAGE, correction::NO_OPENING_MESSAGE);
  }
  cli::Refusal refusal;
  std::optional<RunSettings> settings = cli::parameters_of(o.parameters, true, refusal);
  if (!settings)
    return cli::tell("zirel-correct", refusal);
  settings->input_kind = InputKind::Shelx;
  settings->output_kind = OutputKind::Shelx;

  correction::CorrectionPreparation prep = correction::prepare_correction({*settings, *dac.dac});
  if (prep.refusal) {
    if (prep.refusal->run)
      return cli::tell("zirel-correct", cli::refusal_of(*prep.refusal->run, o.parameters));
    return refuse(EXIT_USAGE, prep.refusal->message);
  }
  const correction::PreparedCorrection& prepared = *prep.prepared;

  IoStatus st = open_unit(INPUT_UNIT, o.input, "OLD", "READ", {.err = true});
  if (st != IO_OK)
    return refuse(EXIT_USAGE, open_error("open input file", st, INPUT_UNIT, o.input));
  if (platform::same_file(o.input, o.output))
    return refuse(EXIT_USAGE, "the output file " + o.output + " is the input file");
  if (!o.cif_file.empty() && (platform::same_file(o.input, o.cif_file) || o.cif_file == o.output ||
                              platform::same_file(o.output, o.cif_file)))
    return refuse(EXIT_USAGE, "--cif " + o.cif_file + " is the input or the output file");
  if (platform::is_device_or_fifo(o.output))
    return refuse(EXIT_USAGE, "the output " + o.output + " is a device or a FIFO, not a file");
  if (!o.svg_file.empty()) {
    std::vector<cli::NamedFile> inputs, outputs;
    inputs.push_back({"--input", o.input});
    inputs.push_back({"--dac", o.dac_file});
    inputs.push_back({"--settings", o.parameters.settings_file});
    outputs.push_back({"--output", o.output});
    outputs.push_back({"--cif", o.cif_file});
    outputs.push_back({"--svg", o.svg_file});
    if (!cli::outputs_are_safe(inputs, outputs, refusal))
      return cli::tell("zirel-correct", refusal);
    if (!folder_exists(o.svg_file))
      return refuse(EXIT_USAGE, "--svg: the folder of " + o.svg_file + " does not exist");
  }
  const std::string temporary = o.output + ".zirel-part";
  st = open_unit(OUTPUT_UNIT, temporary, "REPLACE", {}, {.err = true});
  if (st != IO_OK)
    return refuse(EXIT_USAGE, open_error("create output file", st, OUTPUT_UNIT, temporary));
  partial_output = temporary;

  ReflectionFile source(units(), INPUT_UNIT, InputKind::Shelx);
  ReflectionSink sink(units(), OUTPUT_UNIT, OutputKind::Shelx, !o.plain_output);
  correction::CorrectionOptions run_options;
  run_options.keep_unchecked = o.keep_unchecked;
  run_options.min_transmission = o.min_transmission;
  correction::BeamSample beams;
  if (!o.svg_file.empty())
    run_options.on_checked = [&beams](const correction::ReflectionCorrection& rc) {
      beams.add(rc.incident.u);
      beams.add(rc.diffracted.u);
    };
  const correction::CorrectionSummary summary = run_correction(prepared, source, sink, run_options);
  close_unit(INPUT_UNIT);
  close_unit(OUTPUT_UNIT);

  if (summary.reflections > 0 && summary.no_cosines == summary.reflections) {
    remove_partial();
    return refuse(EXIT_USAGE, o.input +
                                  " has no direction cosines: expected a batch number in columns 29-32 and six "
                                  "cosines in columns 33-80, (3I4,2F8.2,I4,6F8.5)");
  }
  if (const auto why = correction::most_fail(summary)) {
    remove_partial();
    return refuse(EXIT_USAGE, *why + "; nothing written (--keep-unchecked does not apply)");
  }
  // The picture is staged before the output is put in place, so a picture that cannot be
  // written leaves the output as it was too.
  cli::StagedOutputs pictures;
  if (!o.svg_file.empty()) {
    correction::TransmissionMap map = correction::transmission_map(prepared);
    beams.fill(map);
    if (!pictures.stage(o.svg_file, picture_svg(map, *dac.dac, *settings), refusal)) {
      remove_partial();
      return cli::tell("zirel-correct", refusal);
    }
  }
  std::error_code ec;
  std::filesystem::rename(platform::utf8_path(temporary), platform::utf8_path(o.output), ec);
  if (ec) {
    remove_partial();
    return refuse(EXIT_WRITE_FAILURE, "cannot rename " + temporary + " to " + o.output + " (" + ec.message() + ")");
  }
  partial_output.clear();

  const ReportContext context{prepared, *dac.dac, settings->wavelength, settings->psi_max, o.min_transmission};
  if (!o.cif_file.empty()) {
    // Written beside it and renamed into place, as the output is.
    const std::string part = o.cif_file + ".zirel-part";
    {
      std::ofstream cif(platform::utf8_path(part), std::ios::binary | std::ios::trunc);
      cif << cif_lines(summary, context);
      cif.close();
      if (!cif) {
        std::filesystem::remove(platform::utf8_path(part), ec);
        return refuse(EXIT_WRITE_FAILURE, "cannot write --cif " + part);
      }
    }
    std::filesystem::rename(platform::utf8_path(part), platform::utf8_path(o.cif_file), ec);
    if (ec) {
      std::filesystem::remove(platform::utf8_path(part), ec);
      return refuse(EXIT_WRITE_FAILURE, "cannot rename " + part + " to " + o.cif_file);
    }
  }
  if (!pictures.commit(refusal))
    return cli::tell("zirel-correct", refusal);
  if (o.json)
    std::cout << summary_json(summary, context);
  else
    std::cout << status_line(summary) << '\n' << summary_text(summary, context);
  std::cout << std::flush;
  if (!std::cout)
    return refuse(EXIT_WRITE_FAILURE, "cannot write the report to standard output");
  if (summary.run_failed) {
    if (o.json)
      std::cerr << status_line(summary) << '\n';
    std::cerr << "PROBLEM IN RUNNING PROGRAM\n";
    return EXIT_READ_ERROR;
  }
  return 0;
}

}  // namespace

}  // namespace zirel::correct

int main(int argc, char** argv) {
  zirel::cli::end_unexpected_failures_clearly("zirel-correct");
  zirel::platform::binary_standard_streams();
  zirel::platform::Utf8Arguments args(argc, argv);
  zirel::set_fatal_handler(zirel::correct::fail_on_io);
  int exit_code = 0;
  auto options = zirel::correct::parse_command_line(args.argc(), args.argv(), exit_code);
  if (!options)
    return exit_code;
  return zirel::correct::run(*options);
}
