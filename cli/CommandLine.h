#pragma once

#include "render/RenderOptions.h"

#include <optional>
#include <string>
#include <vector>

// What lumo-render was asked to do, from its arguments.
class CCommandLine {
public:
    enum Action { render, help, version };

    static constexpr const char* kDefaultOutput = "lumo.png";
    // As SCRIPT: the script comes from standard input. As the output: the picture (a PNG) goes
    // to standard output.
    static constexpr const char* kStandardStream = "-";
    static constexpr unsigned kMaxThreads = 1024;
    static constexpr unsigned kMaxAntialias = 16;

    // False, with a one-line reason, for an unknown option, a missing or malformed value, or a
    // second SCRIPT. Sizes are checked against the machine later (see RenderCommand).
    static bool Parse(const std::vector<std::string>& args, CCommandLine& commandLine,
                      std::string& error);
    // The help, made from the options' own definitions, for the program of that name (lumo-mpi
    // takes lumo-render's options).
    static std::string Usage(const std::string& program = "lumo-render");
    // Every option's names, short and long, as typed ("-o", "--output").
    static std::vector<std::string> OptionNames();

    // Whether a picture is to be rendered: always, unless only a script or scene is to be saved.
    bool WantsRender() const {
        return (m_saveScript.empty() && m_saveScene.empty()) || m_output.has_value();
    }
    std::string OutputPath() const { return m_output.value_or(kDefaultOutput); }
    bool ReadsStandardInput() const { return m_script == kStandardStream; }
    bool WritesStandardOutput() const { return m_output == kStandardStream; }

    Action m_action = render;
    std::optional<std::string> m_output;
    std::optional<int> m_width;
    std::optional<int> m_height;
    // Taken as an unsigned count like the stored setting: a negative value asks for the most.
    std::optional<unsigned> m_maxRecursion;
    // Threads that trace the picture; unset: one per core.
    std::optional<unsigned> m_threads;
    // Antialiasing samples per side of a pixel; unset: the scene's own (1 for scripts).
    std::optional<unsigned> m_antialias;
    // Bits a channel of a PNG: 8, or 16 from the levels before they are quantised.
    unsigned m_depth = 8;
    std::string m_script;
    bool m_load = false;
    std::string m_saveScript;
    // The whole scene as a scene file, after loading.
    std::string m_saveScene;
    bool m_quiet = false;
    // The parser's message boxes ("Here -- MakeSphere()" per sphere) go to standard error too.
    bool m_verbose = false;
    // --region: only this rectangle of the picture is rendered, into a part file of its size
    // that says where it belongs (see cli/PartFile.h).
    std::optional<RenderRegion> m_region;
    // --join: the arguments are part files, joined into the whole picture.
    bool m_join = false;
    std::vector<std::string> m_parts;
};
