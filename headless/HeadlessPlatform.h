#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

// The platform without a display. Message boxes are recorded (and written to standard error
// when asked), from any thread.
class CHeadlessPlatform : public CPlatform {
public:
    struct Message {
        std::string text;
        std::string caption;
    };

    void MessageBox(const std::string& text, const std::string& caption) override;

    // Message boxes: all of them are counted; the first kMaxRecorded are kept.
    static constexpr std::size_t kMaxRecorded = 10000;
    std::vector<Message> m_messages;
    std::size_t m_messageCount = 0;
    bool m_echoMessages = false; // write each box to standard error as "caption: text"

private:
    std::mutex m_mutex;
};
