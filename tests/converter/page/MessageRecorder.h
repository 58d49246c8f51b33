// Records the message boxes shown during a test and answers them.
#pragma once

#include <string>
#include <vector>

#include "platform/WinUser.h"

class MessageRecorder {
public:
    explicit MessageRecorder(int answer = IDOK) {
        m_previous = tallyvane::user::SetMessageBoxPresenter(
            [this, answer](const tallyvane::user::MessageBoxRequest& request) {
                texts.push_back(request.text);
                captions.push_back(request.caption);
                return answer;
            });
    }
    ~MessageRecorder() { tallyvane::user::SetMessageBoxPresenter(m_previous); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<std::string> texts;
    std::vector<std::string> captions;

private:
    tallyvane::user::MessageBoxPresenter m_previous;
};
