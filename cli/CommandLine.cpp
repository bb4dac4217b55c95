#include "cli/CommandLine.h"

#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdio>

namespace {

enum class Option {
    output,
    width,
    height,
    maxRecursion,
    threads,
    load,
    saveScript,
    saveScene,
    antialias,
    quiet,
    verbose,
    help,
    version
};

struct OptionSpec {
    Option option;
    char shortName; // 0 for none
    const char* longName;
    bool takesValue;
};

// clang-format off
constexpr OptionSpec kOptions[] = {
    {Option::output,       'o', "output",        true},
    {Option::width,        'W', "width",         true},
    {Option::height,       'H', "height",        true},
    {Option::maxRecursion, 0,   "max-recursion", true},
    {Option::threads,      'j', "threads",       true},
    {Option::load,         0,   "load",          false},
    {Option::saveScript,   0,   "save-script",   true},
    {Option::saveScene,    0,   "save-scene",    true},
    {Option::antialias,    0,   "aa",            true},
    {Option::quiet,        'q', "quiet",         false},
    {Option::verbose,      'v', "verbose",       false},
    {Option::help,         'h', "help",          false},
    {Option::version,      0,   "version",       false},
};
// clang-format on

const OptionSpec* FindLong(const std::string& name) {
    for (const OptionSpec& spec : kOptions)
        if (name == spec.longName)
            return &spec;
    return nullptr;
}

const OptionSpec* FindShort(char name) {
    for (const OptionSpec& spec : kOptions)
        if (spec.shortName != 0 && spec.shortName == name)
            return &spec;
    return nullptr;
}

// A piece of an argument as an error message shows it: control characters escaped, so that the
// message stays on one line whatever the argument holds.
std::string Shown(const std::string& text) {
    std::string shown;
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}

std::string Shown(char c) {
    return Shown(std::string(1, c));
}

// A whole decimal number, all of the text. Out of range of long long counts as too large.
enum class Number { ok, malformed, tooLarge };
Number ParseNumber(const std::string& text, long long& value) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    auto [stop, status] = std::from_chars(begin, end, value);
    if (begin == end || stop != end)
        return Number::malformed;
    if (status == std::errc::result_out_of_range)
        return Number::tooLarge;
    return status == std::errc() ? Number::ok : Number::malformed;
}

bool ParseSize(const char* what, const std::string& text, std::optional<int>& size,
               std::string& error) {
    long long value = 0;
    switch (ParseNumber(text, value)) {
    case Number::malformed:
        error = std::string("the image ") + what + " must be a whole number of pixels, not '" +
                Shown(text) + "'";
        return false;
    case Number::tooLarge:
        error = std::string("the image ") + what + " " + Shown(text) + " is too large";
        return false;
    case Number::ok:
        break;
    }
    if (value < 1) {
        error =
            std::string("the image ") + what + " must be at least 1 pixel, not " + Shown(text) + "";
        return false;
    }
    if (value > INT_MAX) {
        error = std::string("the image ") + what + " " + Shown(text) + " is too large";
        return false;
    }
    size = static_cast<int>(value);
    return true;
}

bool ParseRecursion(const std::string& text, std::optional<unsigned>& limit, std::string& error) {
    long long value = 0;
    Number result = ParseNumber(text, value);
    if (result == Number::malformed) {
        error = "--max-recursion needs a whole number, not '" + Shown(text) + "'";
        return false;
    }
    // Beyond any depth the tracer follows, whichever way: the renderer caps it.
    if (result == Number::tooLarge || value < 0 || value > UINT_MAX)
        limit = UINT_MAX;
    else
        limit = static_cast<unsigned>(value);
    return true;
}

bool ParseAntialias(const std::string& text, std::optional<unsigned>& samples, std::string& error) {
    long long value = 0;
    Number result = ParseNumber(text, value);
    if (result != Number::ok || value < 1 || value > CCommandLine::kMaxAntialias) {
        error = "--aa needs a whole number of samples per side from 1 to " +
                std::to_string(CCommandLine::kMaxAntialias) + ", not '" + Shown(text) + "'";
        return false;
    }
    samples = static_cast<unsigned>(value);
    return true;
}

bool ParseThreads(const std::string& text, std::optional<unsigned>& threads, std::string& error) {
    long long value = 0;
    Number result = ParseNumber(text, value);
    if (result == Number::malformed) {
        error = "--threads needs a whole number, not '" + Shown(text) + "'";
        return false;
    }
    if (result == Number::ok && value < 1) {
        error = "--threads must be at least 1, not " + Shown(text);
        return false;
    }
    if (result == Number::tooLarge || value > CCommandLine::kMaxThreads) {
        error = "--threads " + Shown(text) + " is more than the " +
                std::to_string(CCommandLine::kMaxThreads) + " threads lumo-render starts";
        return false;
    }
    threads = static_cast<unsigned>(value);
    return true;
}

bool Apply(const OptionSpec& spec, const std::string& value, CCommandLine& commandLine,
           std::string& error) {
    switch (spec.option) {
    case Option::output:
        if (value.empty()) {
            error = "--output needs a file name";
            return false;
        }
        commandLine.m_output = value;
        return true;
    case Option::width:
        return ParseSize("width", value, commandLine.m_width, error);
    case Option::height:
        return ParseSize("height", value, commandLine.m_height, error);
    case Option::maxRecursion:
        return ParseRecursion(value, commandLine.m_maxRecursion, error);
    case Option::threads:
        return ParseThreads(value, commandLine.m_threads, error);
    case Option::load:
        commandLine.m_load = true;
        return true;
    case Option::saveScript:
        if (value.empty()) {
            error = "--save-script needs a file name";
            return false;
        }
        commandLine.m_saveScript = value;
        return true;
    case Option::antialias:
        return ParseAntialias(value, commandLine.m_antialias, error);
    case Option::saveScene:
        if (value.empty()) {
            error = "--save-scene needs a file name";
            return false;
        }
        commandLine.m_saveScene = value;
        return true;
    case Option::quiet:
        commandLine.m_quiet = true;
        return true;
    case Option::verbose:
        commandLine.m_verbose = true;
        return true;
    case Option::help:
        commandLine.m_action = CCommandLine::help;
        return true;
    case Option::version:
        if (commandLine.m_action != CCommandLine::help)
            commandLine.m_action = CCommandLine::version;
        return true;
    }
    return true;
}

std::string Named(const OptionSpec& spec) {
    std::string name = std::string("--") + spec.longName;
    return spec.shortName ? std::string("-") + spec.shortName + "/" + name : name;
}

} // namespace

bool CCommandLine::Parse(const std::vector<std::string>& args, CCommandLine& commandLine,
                         std::string& error) {
    commandLine = CCommandLine();
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const OptionSpec* spec = nullptr;
        std::optional<std::string> attached; // a value in the same argument

        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (!commandLine.m_script.empty()) {
                error = "only one SCRIPT can be rendered, but both '" +
                        Shown(commandLine.m_script) + "' and '" + Shown(arg) + "' were given";
                return false;
            }
            if (arg.empty()) {
                error = "the SCRIPT name is empty";
                return false;
            }
            commandLine.m_script = arg;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg[1] == '-') {
            std::string name = arg.substr(2);
            std::size_t equals = name.find('=');
            if (equals != std::string::npos) {
                attached = name.substr(equals + 1);
                name.resize(equals);
            }
            spec = FindLong(name);
            if (!spec) {
                error = "unknown option '--" + Shown(name) + "'";
                return false;
            }
            if (attached && !spec->takesValue) {
                error = "--" + Shown(name) + " takes no value";
                return false;
            }
        } else {
            spec = FindShort(arg[1]);
            if (!spec) {
                error = std::string("unknown option '-") + Shown(arg[1]) + "'";
                return false;
            }
            if (arg.size() > 2) {
                if (!spec->takesValue) {
                    error = std::string("-") + Shown(arg[1]) + " takes no value, in '" +
                            Shown(arg) + "'";
                    return false;
                }
                attached = arg.substr(2);
            }
        }

        std::string value;
        if (spec->takesValue) {
            if (attached) {
                value = *attached;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                error = Named(*spec) + " needs a value";
                return false;
            }
        }
        if (!Apply(*spec, value, commandLine, error))
            return false;
    }
    if (commandLine.m_action == render && commandLine.m_load && commandLine.m_script.empty()) {
        error = "--load needs a SCRIPT to load";
        return false;
    }
    return true;
}

std::string CCommandLine::Usage() {
    return "Usage: lumo-render [options] [SCRIPT]\n"
           "Renders a Lumo scene into an image file: the scene of the script SCRIPT (.lmo;\n"
           "- reads it from standard input), the whole scene of a scene file (.lscene, known\n"
           "by its first line), or the built-in default scene.\n"
           "\n"
           "  -o, --output FILE       the image to write: PNG or binary PPM (P6), chosen by the\n"
           "                          extension .png or .ppm (default: lumo.png); - writes a\n"
           "                          PNG to standard output (the summary goes to standard\n"
           "                          error)\n"
           "  -W, --width N           image width in pixels (default: the profile's \"Width\",\n"
           "                          else 320)\n"
           "  -H, --height N          image height in pixels (default: the profile's \"Height\",\n"
           "                          else 200)\n"
           "      --max-recursion N   reflection depth for this run only (default: the\n"
           "                          profile's \"MaxRecursion\", else 0); nothing is stored\n"
           "  -j, --threads N         threads that trace the picture (default: one per core);\n"
           "                          the picture is the same for any N\n"
           "      --load              read SCRIPT with the keyword loader, as the desktop's\n"
           "                          File > Open does: its spheres and planes are added to\n"
           "                          the default scene, without colours or finishes\n"
           "      --save-script FILE  write the scene's objects as script text, after loading;\n"
           "                          without -o nothing is rendered\n"
           "      --save-scene FILE   write the whole scene as a scene file, after loading;\n"
           "                          without -o nothing is rendered\n"
           "      --aa N              antialiasing: N x N rays a pixel on a regular grid,\n"
           "                          averaged (1 to 16; default: the scene file's, else 1)\n"
           "  -q, --quiet             no progress bar, no messages, no summary; errors only\n"
           "  -v, --verbose           also show the script parser's message boxes (one per\n"
           "                          sphere built)\n"
           "  -h, --help              show this help and exit\n"
           "      --version           show the version and exit\n"
           "\n"
           "A progress bar is drawn on standard error when it is a terminal. Settings are read\n"
           "from $LUMO_CONFIG_DIR (else $XDG_CONFIG_HOME/lumo, else ~/.config/lumo).\n"
           "Exit status: 0 on success; 1 when a file (or standard output) cannot be read or\n"
           "written or SCRIPT does not parse; 2 for a bad option or value, or a size that is\n"
           "0, negative or too large (a side over 1000000 pixels, or more than half of this\n"
           "machine's memory); 128 + the signal's number when interrupted (the old picture\n"
           "stays).\n";
}
