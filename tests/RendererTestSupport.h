#pragma once

// Shared by the renderer, golden-image and command-line tests.

#include "core/Image.h"
#include "headless/HeadlessPlatform.h"
#include "platform/Platform.h"
#include "platform/ProgressBar.h"
#include "platform/SettingsStore.h"
#include "render/Renderer.h"
#include "scene/Light.h"
#include "script/LumoDoc.h"

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A headless platform installed for the test, and a document made while it is current (so
// that the platform's view shows it).
class RenderFixture : public testing::Test {
protected:
    CHeadlessPlatform platform;
    CPlatformScope platformScope{platform};
    std::unique_ptr<CLumoDoc> doc = std::make_unique<CLumoDoc>();
};

inline void StoreMaxRecursion(int value) {
    ASSERT_TRUE(CSettingsStore::Profile().WriteInt("Lumo", "MaxRecursion", value));
}

// Replaces the light table with one light in the two entries that the shading reads as one.
inline CLight* UseSingleLight(CLumoDoc& doc, CVector position,
                              CColour colour = CColour(1.0f, 1.0f, 1.0f)) {
    auto light = std::make_unique<CLight>(position);
    light->SetColour(colour);
    CLight* raw = light.get();
    doc.m_lights.clear();
    doc.AddLight(std::move(light));
    doc.m_lights.push_back(raw);
    return raw;
}

// Binary PPM (P6) of the picture, the format of the golden images.
inline std::string EncodePpm(const CImage& image) {
    std::string bytes = "P6\n" + std::to_string(image.GetWidth()) + " " +
                        std::to_string(image.GetHeight()) + "\n255\n";
    for (int y = 0; y < image.GetHeight(); ++y) {
        for (int x = 0; x < image.GetWidth(); ++x) {
            std::uint32_t pixel = image.GetPixel(x, y);
            bytes += static_cast<char>(pixel & 0xFF);
            bytes += static_cast<char>((pixel >> 8) & 0xFF);
            bytes += static_cast<char>((pixel >> 16) & 0xFF);
        }
    }
    return bytes;
}

// Renders the whole document into its image on the calling thread, as the render command
// does, and returns the picture as PPM.
inline std::string RenderToPpm(CLumoDoc& doc, int width, int height) {
    EXPECT_TRUE(doc.m_image.SetSize(width, height));
    CRenderer renderer;
    renderer.Render(&doc, static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, width,
                    height, nullptr);
    return EncodePpm(doc.m_image);
}

inline std::string Golden(const std::string& name) {
    return ReadFile(std::string(LUMO_TEST_DATA_DIR) + "/" + name + ".ppm");
}

// Records every position the render gives its progress bar; onRow runs after each.
class RecordingProgress : public CProgressBar {
public:
    explicit RecordingProgress(std::function<void()> onRow = {}) : m_onRow(std::move(onRow)) {}
    void SetPos(int position) override {
        m_positions.push_back(position);
        if (m_onRow)
            m_onRow();
    }
    std::vector<int> m_positions;
    std::function<void()> m_onRow;
};

// Splits "Render thread 0x<hex> took <n> seconds" into its two numbers' texts; false when the
// text is not of that form (lower-case hexadecimal without leading zeros, decimal seconds).
inline bool ParseCompletionText(const std::string& text, std::string& thread,
                                std::string& seconds) {
    const std::string prefix = "Render thread 0x";
    const std::string middle = " took ";
    const std::string suffix = " seconds";
    if (text.rfind(prefix, 0) != 0 || text.size() < prefix.size() + suffix.size() ||
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    std::size_t took = text.find(middle, prefix.size());
    if (took == std::string::npos)
        return false;
    thread = text.substr(prefix.size(), took - prefix.size());
    std::size_t secondsStart = took + middle.size();
    seconds = text.substr(secondsStart, text.size() - suffix.size() - secondsStart);
    auto all = [](const std::string& s, const char* digits) {
        return !s.empty() && s.find_first_not_of(digits) == std::string::npos;
    };
    return all(thread, "0123456789abcdef") && thread[0] != '0' && all(seconds, "0123456789");
}
