#pragma once

#include "core/Colour.h"
#include "core/Image.h"
#include "core/Vector.h"
#include "scene/Light.h"
#include "scene/SceneObject.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CArchive;
struct CSceneContents;
struct CWizardObject;

// The document: owns the scene (objects, lights, background, camera) and the image of the last
// render. It builds the default scene when it is created.
class CLumoDoc {
public:
    CLumoDoc();
    CLumoDoc(const CLumoDoc&) = delete;
    CLumoDoc& operator=(const CLumoDoc&) = delete;
    virtual ~CLumoDoc();

    void BuildDefaultScene();
    // Destroys every object. The lights survive, so that a scene rebuilt afterwards renders lit.
    void ClearScene();

    // Runs the script grammar over the text: clears the scene, then appends one sphere per
    // sphere statement. 0 when the whole text parsed, 1 after a syntax error, 2 after a parser
    // stack overflow or a scanner failure; spheres built before an error stay. A null text
    // shows "No Buff", changes nothing and returns -1.
    int ParseScript(const char* text);
    int ParseScript(const char* text, std::size_t length);
    // ParseScript, keeping the scene unless the whole text parses: after an error the object
    // list (and the count of changes) is as it was before, and the spheres built before the
    // error are gone. Same results as ParseScript.
    int ParseScriptWhole(const char* text, std::size_t length);

    // A file's text, read as its first line says, for every way a file is opened (the
    // desktop's commands, its command line, lumo-render): a scene file replaces the whole
    // scene (objects, lights, background, camera, antialiasing) once it has been read whole
    // and mayReplace (when given) agrees; any other text is a script, whose objects join the
    // scene through the keyword loader, or from which the grammar rebuilds the scene, only
    // when the whole text parses. Failed, with the reason (the name is what it calls the
    // file), and cancelled leave the scene as it was.
    enum ScriptReading { keywordLoader, grammar };
    enum ReadOutcome { readScript, readScene, readCancelled, readFailed };
    ReadOutcome ReadText(const std::string& text, const std::string& name, ScriptReading reading,
                         std::string& error, const std::function<bool()>& mayReplace = {});
    // Whether ReadText takes the text for a scene file.
    static bool IsSceneText(const std::string& text);

    // Loading: reads the archive's file with the keyword loader. Storing: writes the object
    // list as script text, with GetScriptText's notes. False when the file could not be read
    // or written (the archive says why); a failed load leaves the scene as it was.
    bool Serialize(CArchive& archive, std::vector<std::string>* notes = nullptr);
    // The keyword loader over a text of exactly that length (it may hold NUL bytes).
    void LoadScriptKeywords(const char* text, std::size_t length);
    // The object list as script text, as the storing Serialize writes it. Scripts have no
    // world planes: each is written as the eye-relative plane that the document's eye sees in
    // its place, after a comment line that says so, and notes (when given) gets a line about
    // it for the user, since the plane read back moves with the eye.
    std::string GetScriptText(std::vector<std::string>* notes = nullptr);
    // The script text of any object list, as GetScriptText writes the document's, with world
    // planes as the eye sees them.
    static std::string ScriptTextOf(const CObjectList& objects, const CVector& eye,
                                    std::vector<std::string>* notes = nullptr);

    // The scene wizard of the platform over this document (New, Scene > Create Wizard and
    // "RunWiz" at start): on Finish it replaces the scene, on Cancel nothing changes.
    void RunSceneWizard();
    // The wizard's Finish: clears the scene, then appends the pages' objects in page order and
    // the floor. The lights, the camera and the background stay.
    void BuildWizardScene(const std::vector<CWizardObject>& pages);

    void DeleteContents() {} // the scene stays as it is
    bool OnNewDocument();

    CVector GetEye() const { return m_eye; }
    CVector GetLook() const { return m_look; }
    void SetEye(CVector eye) {
        m_eye = eye;
        ++m_revision;
    }
    void SetLook(CVector look) {
        m_look = look;
        ++m_revision;
    }

    // Counts the changes made to the scene through the document's operations (objects, lights,
    // camera), so that whoever saved the scene can tell whether it has changed since.
    unsigned long GetRevision() const { return m_revision; }

    // Replaces the whole scene (objects, light table, background, camera, antialiasing) with
    // the contents, as a scene file is opened; the image stays.
    void ReplaceScene(CSceneContents&& contents);

    void AddObjectAtHead(std::unique_ptr<CSceneObject> object);
    void AddObjectAtTail(std::unique_ptr<CSceneObject> object);
    // Appends the light to the light table; the document owns it from then on.
    void AddLight(std::unique_ptr<CLight> light);

    // Edits of the object list by position. Each counts as a change; an index out of range or
    // a null object changes nothing (false, or null back).
    // Inserts the object before the index; the index may be the list's size (at the tail).
    bool InsertObject(std::size_t index, std::unique_ptr<CSceneObject> object);
    // Takes the object out of the list and hands it back.
    std::unique_ptr<CSceneObject> RemoveObject(std::size_t index);
    // Puts the object in the place of the one at the index (a plane of another kind, say) and
    // hands the old one back.
    std::unique_ptr<CSceneObject> ReplaceObject(std::size_t index,
                                                std::unique_ptr<CSceneObject> object);
    // An object, a light or the background was changed in place (its centre, colour, finish).
    void NoteChange() { ++m_revision; }

    // Edits of the light table by entry. An entry may name the same light as another (the
    // default light's two entries); a light is destroyed when no entry names it any more.
    // Inserts the light before the entry (the table's size: at the end); the document owns it.
    bool InsertLight(std::size_t index, std::unique_ptr<CLight> light);
    bool RemoveLight(std::size_t index);
    // A copy of the entry's light, as a light of its own, right after the entry.
    bool DuplicateLight(std::size_t index);
    // Whether the shading visits the entry: every entry but the last.
    bool LightsTheScene(std::size_t index) const { return index + 1 < m_lights.size(); }

    CImage m_image;
    CObjectList m_objects;
    // The shading visits every entry but the last: the default light sits in entries 0 and 1.
    std::vector<CLight*> m_lights;
    CColour m_background;
    unsigned char m_imageComplete = 0;
    CVector m_eye;
    CVector m_look;
    // Samples per side of a pixel for final pictures; 1 renders one ray per pixel.
    unsigned m_antialias = 1;

private:
    // Each distinct light of m_lights exactly once, so each is destroyed exactly once.
    std::vector<std::unique_ptr<CLight>> m_ownedLights;
    unsigned long m_revision = 0;
};
