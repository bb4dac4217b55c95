#pragma once

#include "core/Colour.h"
#include "core/Ray.h"
#include "core/Vector.h"

#include <deque>
#include <memory>
#include <string>
#include <typeinfo>

// The surface finish of an object: the six shading coefficients and the base colour.
class CFinish {
public:
    CFinish() = default;
    CFinish(const CFinish&) = default;
    CFinish& operator=(const CFinish&) = default;
    virtual ~CFinish() = default;

    double ambient = 0.0;
    double diffuse = 0.0;
    double brilliance = 0.0; // exponent of the diffuse term
    double specular = 0.0;
    double roughness = 0.0; // exponent of the highlight
    double reflection = 0.0;
    CColour colour;
};

// Texture flags of CSceneObject::m_textureFlags.
enum : int {
    kTextureChecker = 1,
    kTextureRing = 2,
    kTextureNoise = 4,
};

// Random numbers that one NoiseColour evaluation draws, whatever the point: a parallel render
// counts the draws of each pixel to know where in the sequence every row starts.
inline constexpr int kNoiseDrawsPerColour = 2;

// The common base of everything a scene holds: spheres, planes and lights. Every operation has
// a working default here and a kind overrides only what differs. The virtual operations are
// declared in a fixed order that the kinds keep.
class CSceneObject {
public:
    CSceneObject() = default;
    CSceneObject& operator=(const CSceneObject&) = delete;
    virtual ~CSceneObject() = default;

    // Procedural textures (scene/Textures.cpp); ColourAt picks them by m_textureFlags.
    virtual CColour CheckerColour(double x, double y, double z);
    virtual CColour NoiseColour(double x, double y, double z);
    virtual CColour RingColour(double x, double y, double z, int threshold);

    virtual std::string GetName() { return m_name; }
    virtual void SetName(std::string name) { m_name = std::move(name); }

    // The object's script text: its parameter text and its opening text.
    virtual void GetScriptParams(std::string& text);
    virtual void GetScriptHeader(std::string& text);

    virtual CVector NormalAt(CVector point);
    virtual void SetColour(CColour colour) { m_finish.colour = colour; }
    // Distance along the ray's unit direction to the nearest accepted hit; 0.0 for a miss.
    virtual double Intersect(CRay ray);
    virtual CColour ColourAt(double x, double y, double z);
    // The stored base colour itself, not a copy.
    virtual CColour* GetColour() { return &m_finish.colour; }
    virtual double GetAmbient() { return m_finish.ambient; }
    virtual double GetDiffuse() { return m_finish.diffuse; }
    virtual double GetBrilliance() { return m_finish.brilliance; }
    virtual double GetSpecular() { return m_finish.specular; }
    virtual double GetRoughness() { return m_finish.roughness; }
    virtual double GetReflection() { return m_finish.reflection; }

    void SetFinish(double ambient, double diffuse, double brilliance, double specular,
                   double roughness, double reflection);

    int GetTextureFlags() const { return m_textureFlags; }

    // A copy of the object, for a snapshot that a render reads while the scene goes on
    // changing. Every kind copies itself whole; a kind derived from one that has not learnt to
    // copy itself gives null rather than a copy cut down to its base.
    virtual std::unique_ptr<CSceneObject> Clone() const;

    std::string m_name;
    CFinish m_finish;
    // Kept for the layout of every object; the ring texture derives its two shades into
    // locals instead, so that objects stay read-only while several renders read them.
    CColour m_textureColour1;
    CColour m_textureColour2;
    int m_textureFlags = 0;

protected:
    // For the kinds' Clone only: a copy made any other way would be cut down to its base.
    CSceneObject(const CSceneObject&) = default;
    // A copy of the object as the kind T, or null when it is of a kind derived from T.
    template <class T> std::unique_ptr<CSceneObject> CloneAs() const {
        if (typeid(*this) != typeid(T))
            return nullptr;
        return std::unique_ptr<CSceneObject>(new T(static_cast<const T&>(*this)));
    }
};

// The scene's renderable objects in order, owned. The tracer and the shadow test walk it from
// head to tail; the keyword loader inserts at the head, the parser appends at the tail.
using CObjectList = std::deque<std::unique_ptr<CSceneObject>>;
