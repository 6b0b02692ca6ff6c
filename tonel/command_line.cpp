#include "command_line.h"

#include "converter.h"

namespace tonel {

namespace {

CommandOutput bad_usage(const std::string& problem) {
    return {exit_bad_input, "", "tonel: " + problem + "\n" + usage_text()};
}

}  // namespace

std::string usage_text() {
    return "usage: tonel FILE.CPF [--rate 44100|22050] [--sine|--square] [--log]\n"
           "\n"
           "Converts a CPF cassette image to an 8-bit mono WAV file that a real APF\n"
           "Imagination Machine can load, from tape or from a PC sound card.\n"
           "\n"
           "  --rate 44100|22050  sample rate of the WAV file (default 44100)\n"
           "  --sine              sine wave, for recording to cassette (default)\n"
           "  --square            square wave, for a PC sound card wired to the machine\n"
           "  --log               write a log file of every converted byte too\n"
           "\n"
           "The output goes beside the input: GAME.CPF gives GAME_4N.WAV and, with\n"
           "--log, GAME_4N_log.TXT; \"2\" stands for 22050 Hz, \"Q\" for square.\n"
           "Prints \"Good\" or the checksum mismatch. Exit status: 0 good, 1 checksum\n"
           "mismatch, 2 unusable input or bad options, 3 output not written.\n";
}

CommandOutput run_tonel(const std::vector<std::string>& args) {
    if (args.empty()) return {exit_good, usage_text(), ""};

    ConversionSettings settings;
    std::string input;
    bool have_input = false;
    bool options_done = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!options_done && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--help" || arg == "-h") return {exit_good, usage_text(), ""};
            if (arg == "--") {
                options_done = true;
            } else if (arg == "--sine") {
                settings.wave_shape = WaveShape::sine;
            } else if (arg == "--square") {
                settings.wave_shape = WaveShape::square;
            } else if (arg == "--log") {
                settings.log_file = true;
            } else if (arg == "--rate" || arg.rfind("--rate=", 0) == 0) {
                std::string value;
                if (arg == "--rate") {
                    if (i + 1 == args.size()) return bad_usage("--rate needs a value: 44100 or 22050");
                    value = args[++i];
                } else {
                    value = arg.substr(7);
                }
                if (value == "44100")
                    settings.sample_rate = SampleRate::hz44100;
                else if (value == "22050")
                    settings.sample_rate = SampleRate::hz22050;
                else
                    return bad_usage("sample rate '" + value + "' is not 44100 or 22050");
            } else {
                return bad_usage("unknown option '" + arg + "'");
            }
            continue;
        }
        if (have_input) return bad_usage("one input file only, not '" + input + "' and '" + arg + "'");
        input = arg;
        have_input = true;
    }
    if (!have_input) return bad_usage("no input file");

    const ConversionResult result = convert_cpf(input, settings);
    CommandOutput output;
    if (!result.status.empty()) output.out = result.status + "\n";
    switch (result.outcome) {
        case ConversionOutcome::good: output.exit_code = exit_good; break;
        case ConversionOutcome::checksum_mismatch: output.exit_code = exit_checksum_mismatch; break;
        case ConversionOutcome::input_unreadable:
            output.exit_code = exit_bad_input;
            output.err = "tonel: cannot read '" + input + "'\n";
            break;
        case ConversionOutcome::input_empty:
            output.exit_code = exit_bad_input;
            output.err = "tonel: '" + input + "' is empty\n";
            break;
        case ConversionOutcome::input_too_long: output.exit_code = exit_bad_input; break;
        case ConversionOutcome::output_failed: output.exit_code = exit_output_failed; break;
    }
    if (result.log_failed)
        output.err += "tonel: cannot write the log file '" + result.log_path + "'; converted without it\n";
    return output;
}

}  // namespace tonel
