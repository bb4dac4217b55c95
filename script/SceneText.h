#pragma once

#include "script/SceneFile.h"
#include "script/SceneSourceMap.h"
#include "script/TextToken.h"

#include <string>
#include <string_view>
#include <vector>

class CLumoDoc;

// The scene as the text someone edits (the desktop's editor pane), both ways, in either of the
// program's two text forms:
// - a scene file holds the whole scene (CSceneFile);
// - a script is read as Scene > Parse Script and lumo-render read one, by the grammar: its
//   spheres become the scene's objects, and the lights, the camera and the background are the
//   scene's own, since a script has no words for them.
// Reading never touches a document, so a text that does not read leaves the scene as it was;
// what was read is made the scene through the document's own operations.
class CSceneText {
public:
    enum Format { sceneFile, script };
    // The form of a text, by its first line, as every way of opening a file decides it.
    static Format FormatOf(const std::string& text);

    // What a text reads to. A scene file gives the whole contents; a script only the objects.
    // source says where each statement stands (a script's: its spheres').
    struct Reading {
        Format format = sceneFile;
        CSceneContents contents;
        CSceneSourceMap source;
    };
    // Why a text does not read: the reader's one line ("NAME:LINE:COLUMN: message"), and the
    // place it names.
    struct Error {
        std::string message;
        CSourcePlace place;
    };
    // False, with the error, when the whole text does not read; the name is what the message
    // calls the text. No message box is shown, whatever the text holds.
    static bool Read(const std::string& text, Format format, const std::string& name,
                     Reading& reading, Error& error);

    // Makes the document's scene what was read, through the document's operations: when the
    // settings of a scene file (background, camera, antialiasing, light table) are the
    // document's already, only the objects that differ are replaced, inserted or removed, so
    // that the others stay the same objects; otherwise the whole scene is replaced. A script
    // changes the objects only. Every change counts as one; a reading that is the scene
    // already changes nothing. True when something changed.
    static bool Apply(CLumoDoc& document, Reading&& reading);

    // The document's scene as text in the format. A script holds spheres only, each as the
    // grammar builds it (a single-precision centre and radius, a colour made of levels, any
    // finish, no texture), one statement a line; for a scene that holds anything else the text
    // is not written and reasons gets one line for each object a script cannot say. The
    // settings are not part of a script. A scene file can fail only for an object of a kind
    // it cannot keep.
    static bool Write(const CLumoDoc& document, Format format, std::string& text,
                      std::vector<std::string>& reasons);
    // The text changed no more than it takes to say the document's scene: the statements of
    // the objects (and, in a scene file, of the background, the camera, the antialiasing and
    // the light table) that say otherwise than the scene are written anew in their places; the
    // rest of the text, its layout and comments, stays. A text that does not read, or whose
    // statements stand where no such change can be made, is written whole. False as Write.
    static bool Rewrite(const std::string& text, Format format, const std::string& name,
                        const CLumoDoc& document, std::string& rewritten,
                        std::vector<std::string>& reasons);
    // The settings a script does not hold (background, camera, antialiasing, light table), as
    // a scene file writes them: what a script's edits leave as they are.
    static std::string SettingsText(const CLumoDoc& document);

    // The text's tokens as its reader sees them, in order. Scripts: the scanner's own tokens
    // (keywords in any letter case, numbers with a decimal point, braces; no comments).
    // Scene files: comments, braces, the format's words, numbers; anything else is other.
    static std::vector<CTextToken> Tokens(std::string_view text, Format format);

    // One change of a text: the bytes [offset, offset + length) become text.
    struct Replacement {
        std::size_t offset = 0;
        std::size_t length = 0;
        std::string text;
        bool operator==(const Replacement&) const = default;
    };
    // The change from base to rewritten, carried over to edited (base with edits of its own),
    // so that both hold: each change is taken as the one stretch between the texts' common
    // start and end. False when the two stretches overlap or touch; edited is then left to its
    // owner. An empty replacement when rewritten is base.
    static bool Rebase(const std::string& base, const std::string& edited,
                       const std::string& rewritten, Replacement& replacement);
    static std::string Applied(const std::string& text, const Replacement& replacement);

    // The place of the byte offset, and the offset of a line and column (clamped to the text).
    static CSourcePlace PlaceOf(std::string_view text, std::size_t offset);
    static std::size_t OffsetOf(std::string_view text, std::size_t line, std::size_t column);
};
