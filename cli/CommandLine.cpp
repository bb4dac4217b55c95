#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <sstream>

namespace {

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

// A refused value, with the message lumo-render prints. The option callbacks throw it from
// inside CLI11's parse, which passes it out unchanged.
class CRefused : public CLI::ParseError {
public:
    explicit CRefused(const std::string& message)
        : CLI::ParseError("Refused", message, CLI::ExitCodes::ValidationError) {}
};

[[noreturn]] void Refuse(const std::string& message) {
    throw CRefused(message);
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

int ParseSize(const char* what, const std::string& text) {
    long long value = 0;
    switch (ParseNumber(text, value)) {
    case Number::malformed:
        Refuse(std::string("the image ") + what + " must be a whole number of pixels, not '" +
               Shown(text) + "'");
    case Number::tooLarge:
        Refuse(std::string("the image ") + what + " " + Shown(text) + " is too large");
    case Number::ok:
        break;
    }
    if (value < 1)
        Refuse(std::string("the image ") + what + " must be at least 1 pixel, not " + Shown(text));
    if (value > INT_MAX)
        Refuse(std::string("the image ") + what + " " + Shown(text) + " is too large");
    return static_cast<int>(value);
}

unsigned ParseRecursion(const std::string& text) {
    long long value = 0;
    Number result = ParseNumber(text, value);
    if (result == Number::malformed)
        Refuse("--max-recursion needs a whole number, not '" + Shown(text) + "'");
    // Beyond any depth the tracer follows, whichever way: the renderer caps it.
    if (result == Number::tooLarge || value < 0 || value > UINT_MAX)
        return UINT_MAX;
    return static_cast<unsigned>(value);
}

unsigned ParseAntialias(const std::string& text) {
    long long value = 0;
    Number result = ParseNumber(text, value);
    if (result != Number::ok || value < 1 || value > CCommandLine::kMaxAntialias)
        Refuse("--aa needs a whole number of samples per side from 1 to " +
               std::to_string(CCommandLine::kMaxAntialias) + ", not '" + Shown(text) + "'");
    return static_cast<unsigned>(value);
}

unsigned ParseDepth(const std::string& text) {
    if (text != "8" && text != "16")
        Refuse("--depth needs 8 or 16 bits a channel, not '" + Shown(text) + "'");
    return text == "8" ? 8u : 16u;
}

unsigned ParseThreads(const std::string& text) {
    long long value = 0;
    Number result = ParseNumber(text, value);
    if (result == Number::malformed)
        Refuse("--threads needs a whole number, not '" + Shown(text) + "'");
    if (result == Number::ok && value < 1)
        Refuse("--threads must be at least 1, not " + Shown(text));
    if (result == Number::tooLarge || value > CCommandLine::kMaxThreads)
        Refuse("--threads " + Shown(text) + " is more than the " +
               std::to_string(CCommandLine::kMaxThreads) + " threads lumo-render starts");
    return static_cast<unsigned>(value);
}

// X0,Y0,X1,Y1: the columns X0 to X1 - 1 and the rows Y0 to Y1 - 1 of the picture.
RenderRegion ParseRegion(const std::string& text) {
    auto refuse = [&text] {
        Refuse("--region needs X0,Y0,X1,Y1: four whole numbers of pixels with X0 < X1 and Y0 < "
               "Y1, not '" +
               Shown(text) + "'");
    };
    long long values[4] = {};
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        std::size_t comma = i < 3 ? text.find(',', start) : text.size();
        if (comma == std::string::npos)
            refuse();
        std::string piece = text.substr(start, comma - start);
        if (piece.empty() || piece[0] == '+' || ParseNumber(piece, values[i]) != Number::ok ||
            values[i] < 0 || values[i] > INT_MAX)
            refuse();
        start = comma + 1;
    }
    if (values[0] >= values[2] || values[1] >= values[3])
        refuse();
    return RenderRegion{static_cast<unsigned>(values[0]), static_cast<unsigned>(values[1]),
                        static_cast<unsigned>(values[2]), static_cast<unsigned>(values[3])};
}

std::string FileName(const char* option, const std::string& text) {
    if (text.empty())
        Refuse(std::string(option) + " needs a file name");
    return text;
}

// "-o/--output" or "--load", as the messages name an option.
std::string Named(const CLI::Option& option) {
    std::string name;
    for (const std::string& shortName : option.get_snames())
        name += "-" + shortName + "/";
    return name + "--" + option.get_lnames().front();
}

// "-o, --output FILE" or "    --load", as the help lists an option.
std::string Listed(const CLI::Option& option) {
    std::string name = option.get_snames().empty() ? "    " : "-" + option.get_snames()[0] + ", ";
    name += "--" + option.get_lnames().front();
    if (option.get_items_expected_max() > 0)
        name += " " + option.get_type_name();
    return name;
}

// Text broken into lines of at most `width` characters at spaces.
std::string Wrapped(const std::string& text, std::size_t width) {
    std::istringstream words(text);
    std::string wrapped;
    std::string line;
    std::string word;
    while (words >> word) {
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            wrapped += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return wrapped + line;
}

// The help as lumo-render prints it: the usage line, what the program does, the options (each
// described from its definition, wrapped to 80 columns) and the notes on settings and statuses.
class CHelpFormatter : public CLI::Formatter {
public:
    static constexpr std::size_t kNameColumn = 26;
    static constexpr std::size_t kLineWidth = 80;

    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode) const override {
        std::string help = "Usage: " + app->get_name() + " [options] [SCRIPT]\n";
        // Only lumo-render joins parts.
        if (app->get_name() == "lumo-render")
            help += "       lumo-render --join [-o FILE] PART...\n";
        help += Wrapped(app->get_description(), kLineWidth) + "\n\n";
        for (const CLI::Option* option :
             app->get_options([](const CLI::Option* o) { return o->nonpositional(); })) {
            std::ostringstream line;
            CLI::detail::format_help(line, Listed(*option),
                                     Wrapped(option->get_description(), kLineWidth - kNameColumn),
                                     kNameColumn);
            help += line.str();
        }
        return help + "\n" + Wrapped(app->get_footer(), kLineWidth) + "\n";
    }
};

// lumo-render's options, defined once: the parse, the messages and the help all come from here.
class COptions {
public:
    COptions(CCommandLine& commandLine, const std::string& program) : m_app(kDescription, program) {
        m_app.set_help_flag();
        m_app.formatter(std::make_shared<CHelpFormatter>());
        m_app.footer(kFooter);
        // Extra arguments can only be further SCRIPTs (every option is checked beforehand).
        m_app.allow_extras();

        Value("-o,--output", "FILE",
              "the image to write: PNG, binary PPM (P6) or OpenEXR (linear half floats of the "
              "colours before they are quantised), chosen by the extension .png, .ppm or .exr "
              "(default: lumo.png); - writes a PNG to standard output (the summary goes to "
              "standard error)",
              [&commandLine](const std::string& v) {
                  commandLine.m_output = FileName("--output", v);
              });
        Value(
            "-W,--width", "N", "image width in pixels (default: the profile's \"Width\", else 320)",
            [&commandLine](const std::string& v) { commandLine.m_width = ParseSize("width", v); });
        Value("-H,--height", "N",
              "image height in pixels (default: the profile's \"Height\", else 200)",
              [&commandLine](const std::string& v) {
                  commandLine.m_height = ParseSize("height", v);
              });
        Value("--max-recursion", "N",
              "reflection depth for this run only (default: the profile's \"MaxRecursion\", else "
              "0); nothing is stored",
              [&commandLine](const std::string& v) {
                  commandLine.m_maxRecursion = ParseRecursion(v);
              });
        Value("-j,--threads", "N",
              "threads that trace the picture (default: one per core); the picture is the same "
              "for any N",
              [&commandLine](const std::string& v) { commandLine.m_threads = ParseThreads(v); });
        Flag("--load",
             "read SCRIPT with the keyword loader, as the desktop's File > Open does: its spheres "
             "and planes are added to the default scene, without colours or finishes",
             commandLine.m_load);
        Value("--save-script", "FILE",
              "write the scene's objects as script text, after loading; without -o nothing is "
              "rendered",
              [&commandLine](const std::string& v) {
                  commandLine.m_saveScript = FileName("--save-script", v);
              });
        Value("--save-scene", "FILE",
              "write the whole scene as a scene file, after loading; without -o nothing is "
              "rendered",
              [&commandLine](const std::string& v) {
                  commandLine.m_saveScene = FileName("--save-scene", v);
              });
        Value(
            "--aa", "N",
            "antialiasing: N x N rays a pixel on a regular grid, averaged (1 to 16; default: "
            "the scene file's, else 1)",
            [&commandLine](const std::string& v) { commandLine.m_antialias = ParseAntialias(v); });
        Value("--depth", "N",
              "bits a channel of a PNG: 8 (default), or 16, made from the colours before they "
              "are quantised to 8 bits (antialiased gradients without banding)",
              [&commandLine](const std::string& v) { commandLine.m_depth = ParseDepth(v); });
        Value("--region", "X0,Y0,X1,Y1",
              "render only the columns X0 to X1 - 1 and the rows Y0 to Y1 - 1 of the picture, "
              "into a part: an image of that size that says where it belongs and of which "
              "scene and options (joined with --join)",
              [&commandLine](const std::string& v) { commandLine.m_region = ParseRegion(v); });
        Flag("--join",
             "join the part files given as arguments (PART...) into the whole picture, written "
             "to -o; parts that overlap, leave a hole or come from different scenes or options "
             "are refused",
             commandLine.m_join);
        Flag("-q,--quiet", "no progress bar, no messages, no summary; errors only",
             commandLine.m_quiet);
        Flag("-v,--verbose", "also show the script parser's message boxes (one per sphere built)",
             commandLine.m_verbose);
        Flag("-h,--help", "show this help and exit", m_help);
        Flag("--version", "show the version and exit", m_version);
        m_app.add_option("SCRIPT", m_script);
    }

    CLI::App& App() { return m_app; }

    // The arguments for CLI11, after refusing what it would take another way than lumo-render
    // always has: a flag with a value joined to it (CLI11 reads -qv as -q -v and --quiet=yes as
    // a yes), an unknown option, an option's value missing at the end. An empty joined value
    // ("--output=") is passed apart, as CLI11 would take the next argument for it. Options end
    // at "--"; a value option's next argument is its value whatever it looks like, as in CLI11.
    std::vector<std::string> Checked(const std::vector<std::string>& args) {
        std::vector<std::string> checked;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string& arg = args[i];
            if (arg == "--") {
                m_optionsEnded = true;
                checked.insert(checked.end(), args.begin() + static_cast<std::ptrdiff_t>(i),
                               args.end());
                break;
            }
            checked.push_back(arg);
            if (arg.size() < 2 || arg[0] != '-')
                continue;
            bool isLong = arg[1] == '-';
            std::size_t equals = arg.find('=');
            std::string name = isLong ? arg.substr(2, equals - 2) : arg.substr(1, 1);
            const CLI::Option* option = Find(name);
            if (!option)
                Refuse("unknown option '" + Shown((isLong ? "--" : "-") + name) + "'");
            bool attached = isLong ? equals != std::string::npos : arg.size() > 2;
            if (option->get_items_expected_max() == 0) {
                if (attached && isLong)
                    Refuse("--" + Shown(name) + " takes no value");
                if (attached)
                    Refuse("-" + Shown(name) + " takes no value, in '" + Shown(arg) + "'");
            } else if (attached && isLong && equals + 1 == arg.size()) {
                checked.back().pop_back();
                checked.emplace_back();
            } else if (!attached) {
                if (++i == args.size())
                    Refuse(Named(*option) + " needs a value");
                checked.push_back(args[i]);
            }
        }
        return checked;
    }

    void Finish(CCommandLine& commandLine) {
        commandLine.m_action = m_help      ? CCommandLine::help
                               : m_version ? CCommandLine::version
                                           : CCommandLine::render;
        // CLI11 keeps the "--" that ended the options among the extras.
        std::vector<std::string> extras = m_app.remaining();
        if (m_optionsEnded)
            extras.erase(std::find(extras.begin(), extras.end(), "--"));
        if (commandLine.m_join && commandLine.m_action == CCommandLine::render) {
            FinishJoin(commandLine, extras);
            return;
        }
        if (m_app.count("SCRIPT") > 0 && m_script.empty())
            Refuse("the SCRIPT name is empty");
        if (!extras.empty())
            Refuse("only one SCRIPT can be rendered, but both '" + Shown(m_script) + "' and '" +
                   Shown(extras.front()) + "' were given");
        commandLine.m_script = m_script;
        if (commandLine.m_action == CCommandLine::render && commandLine.m_load &&
            commandLine.m_script.empty())
            Refuse("--load needs a SCRIPT to load");
    }

    // The arguments are the parts; the picture's size and scene come from them.
    void FinishJoin(CCommandLine& commandLine, const std::vector<std::string>& extras) {
        if (m_app.count("SCRIPT") > 0)
            commandLine.m_parts.push_back(m_script);
        commandLine.m_parts.insert(commandLine.m_parts.end(), extras.begin(), extras.end());
        if (commandLine.m_parts.empty())
            Refuse("--join needs the PART files to join");
        for (const std::string& part : commandLine.m_parts)
            if (part.empty())
                Refuse("a PART name is empty");
        for (const char* name : {"--width", "--height", "--max-recursion", "--aa", "--load",
                                 "--save-script", "--save-scene", "--region"})
            if (m_app.count(name) > 0)
                Refuse(Named(*m_app.get_option(name)) +
                       " cannot be given with --join: the parts say which picture they are of");
    }

    // Every option's names as a user types them.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const CLI::Option* option :
             m_app.get_options([](const CLI::Option* o) { return o->nonpositional(); })) {
            for (const std::string& shortName : option->get_snames())
                names.push_back("-" + shortName);
            for (const std::string& longName : option->get_lnames())
                names.push_back("--" + longName);
        }
        return names;
    }

private:
    static constexpr const char* kDescription =
        "Renders a Lumo scene into an image file: the scene of the script SCRIPT (.lmo; - reads "
        "it from standard input), the whole scene of a scene file (.lscene, known by its first "
        "line), or the built-in default scene.";
    static constexpr const char* kFooter =
        "A progress bar is drawn on standard error when it is a terminal. Settings are read from "
        "$LUMO_CONFIG_DIR (else $XDG_CONFIG_HOME/lumo, else ~/.config/lumo). Exit status: 0 on "
        "success; 1 when a file (or standard output) cannot be read or written or SCRIPT does "
        "not parse; 2 for a bad option or value, or a size that is 0, negative or too large (a "
        "side over 1000000 pixels, or more than half of this machine's memory); 128 + the "
        "signal's number when interrupted (the old picture stays).";

    // A value is checked as it is met, so that the first bad argument is the one reported; a
    // repeated option's last value counts.
    void Value(const char* names, const char* valueName, const char* description,
               std::function<void(const std::string&)> take) {
        m_app.add_option_function<std::string>(names, std::move(take), description)
            ->type_name(valueName)
            ->trigger_on_parse()
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }

    void Flag(const char* names, const char* description, bool& set) {
        m_app.add_flag(names, set, description);
    }

    const CLI::Option* Find(const std::string& name) const {
        for (const CLI::Option* option :
             m_app.get_options([](const CLI::Option* o) { return o->nonpositional(); }))
            if (option->check_lname(name) || (name.size() == 1 && option->check_sname(name)))
                return option;
        return nullptr;
    }

    CLI::App m_app;
    bool m_help = false;
    bool m_version = false;
    bool m_optionsEnded = false;
    std::string m_script;
};

} // namespace

bool CCommandLine::Parse(const std::vector<std::string>& args, CCommandLine& commandLine,
                         std::string& error) {
    commandLine = CCommandLine();
    COptions options(commandLine, "lumo-render");
    try {
        std::vector<std::string> reversed = options.Checked(args);
        std::reverse(reversed.begin(), reversed.end());
        options.App().parse(reversed);
        options.Finish(commandLine);
    } catch (const CLI::ParseError& refused) {
        // CRefused carries our own message; anything else CLI11 refuses is shown safely too.
        error = Shown(refused.what());
        commandLine = CCommandLine();
        return false;
    }
    error.clear();
    return true;
}

std::string CCommandLine::Usage(const std::string& program) {
    CCommandLine ignored;
    COptions options(ignored, program);
    return options.App().help();
}

std::vector<std::string> CCommandLine::OptionNames() {
    CCommandLine ignored;
    COptions options(ignored, "lumo-render");
    return options.Names();
}
