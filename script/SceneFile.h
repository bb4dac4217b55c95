#pragma once

#include "core/Colour.h"
#include "core/Vector.h"
#include "scene/Light.h"
#include "scene/SceneObject.h"
#include "script/SceneSourceMap.h"
#include "script/TextToken.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CLumoDoc;

// Everything a document renders from, as a scene file holds it: the objects in list order, the
// light table as it is (an entry may name the same light as an earlier one, as the default
// light's two entries do), the background, the camera and the antialiasing.
struct CSceneContents {
    CObjectList objects;
    std::vector<std::unique_ptr<CLight>> ownedLights; // each distinct light once
    std::vector<CLight*> lights;                      // the table, into ownedLights
    CColour background;
    CVector eye;
    CVector look;
    unsigned antialias = 1; // samples per side of a pixel; 1 is off
    // Where each statement stands in the text it was read from.
    CSceneSourceMap source;
};

// Scene files: a whole scene, saved and read back exactly. The text is the script language's
// tokens and keywords (in any case) with statements for what scripts lack, real // comments,
// and a first line, "{ lumo scene 1 }", that the script grammar refuses, so that no scene file
// is taken for a script or the other way round. Numbers are written in their shortest form
// that reads back to the same bits. docs/scene-files.md describes the format.
class CSceneFile {
public:
    static constexpr const char* kFirstLine = "{ lumo scene 1 }";
    static constexpr const char* kExtension = "lscene";

    // Whether the text starts as a scene file does (blanks before the first line allowed).
    static bool IsSceneText(const std::string& text);

    // The document's scene as a scene file. False, with the reason, for an object of a kind a
    // scene file cannot hold.
    static bool Write(const CLumoDoc& document, std::string& text, std::string& error);
    // The same for contents read from a scene file, as Write would write them once they are
    // the document's scene.
    static bool Write(const CSceneContents& contents, std::string& text, std::string& error);

    // Reads a scene file's text. False with "NAME:LINE:COLUMN: message" when it is not one;
    // the contents are then incomplete and must not be used.
    static bool Read(const std::string& text, const std::string& name, CSceneContents& contents,
                     std::string& error);

    // One object's statement as Write writes it, on one line without its line end. False for
    // an object of a kind a scene file cannot keep.
    static bool ObjectText(const CSceneObject& object, std::string& text);

    // The text's tokens as Read sees them, comments included; a word is a keyword when it is
    // one of the format's words, a number when it reads as one.
    static std::vector<CTextToken> Tokens(std::string_view text);

    // Reads the file at the path and, only when the whole of it is read, replaces the
    // document's scene with it. False, with the reason, and the document unchanged otherwise.
    static bool Load(CLumoDoc& document, const std::string& path, std::string& error);
    // Writes the document's scene to the path atomically.
    static bool Save(const CLumoDoc& document, const std::string& path, std::string& error);
};
