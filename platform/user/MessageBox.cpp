// Message boxes. A box is decided in this order: the next answer from $TALLYVANE_ANSWERS, else
// the presenter (headless by default). Whatever decided it, the box is then logged to
// $TALLYVANE_MESSAGES when that names a file.
//
// Log kinds follow the icon: "error", "warning", "confirmation" (question icon), "information",
// "plain" (no icon). Buttons are written as their answer words joined by ",", e.g. "YES,NO".
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/WinUser.h"

namespace tallyvane::user {

namespace {

struct State {
    std::mutex mutex;
    MessageBoxPresenter presenter;
    bool answersRead = false;
    std::vector<std::string> answers;
    size_t nextAnswer = 0;
};

State& TheState() {
    static State state;
    return state;
}

const char* KindName(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
        return "error";
    case MB_ICONWARNING:
        return "warning";
    case MB_ICONQUESTION:
        return "confirmation";
    case MB_ICONINFORMATION:
        return "information";
    default:
        return "plain";
    }
}

const char* ButtonsName(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return "OK,CANCEL";
    case MB_ABORTRETRYIGNORE:
        return "ABORT,RETRY,IGNORE";
    case MB_YESNOCANCEL:
        return "YES,NO,CANCEL";
    case MB_YESNO:
        return "YES,NO";
    case MB_RETRYCANCEL:
        return "RETRY,CANCEL";
    default:
        return "OK";
    }
}

const char* AnswerName(int answer) {
    switch (answer) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "CANCEL";
    case IDABORT:
        return "ABORT";
    case IDRETRY:
        return "RETRY";
    case IDIGNORE:
        return "IGNORE";
    case IDYES:
        return "YES";
    case IDNO:
        return "NO";
    case IDCLOSE:
        return "CLOSE";
    default:
        return "NONE";
    }
}

// CLOSE stands for closing the box with its title-bar button, which dismisses it as a cancel.
int AnswerFromWord(const std::string& word, UINT type) {
    std::string upper;
    for (char c : word) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (upper == "OK")
        return IDOK;
    if (upper == "CANCEL" || upper == "CLOSE")
        return IDCANCEL;
    if (upper == "ABORT")
        return IDABORT;
    if (upper == "RETRY")
        return IDRETRY;
    if (upper == "IGNORE")
        return IDIGNORE;
    if (upper == "YES")
        return IDYES;
    if (upper == "NO")
        return IDNO;
    std::fprintf(stderr, "TALLYVANE_ANSWERS: unknown answer \"%s\"; taking the safe one\n",
                 word.c_str());
    return SafeAnswer(type);
}

// Keeps each field on one line of the log and its tab-separated columns apart.
std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

void AppendToLog(const MessageBoxRequest& request, int answer) {
    const char* path = std::getenv("TALLYVANE_MESSAGES");
    if (!path || !*path)
        return;
    std::string line = std::string(KindName(request.type)) + "\t" + Escape(request.caption) + "\t" +
                       Escape(request.text) + "\t" + ButtonsName(request.type) + "\t" +
                       AnswerName(answer) + "\n";
    int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::fprintf(stderr, "TALLYVANE_MESSAGES: cannot open %s\n", path);
        return;
    }
    // One write per line: concurrent writers with O_APPEND never interleave inside a line.
    ssize_t written = ::write(fd, line.data(), line.size());
    (void)written;
    ::close(fd);
}

bool NextGivenAnswer(State& state, UINT type, int& answer) {
    if (!state.answersRead) {
        state.answersRead = true;
        state.answers.clear();
        state.nextAnswer = 0;
        if (const char* given = std::getenv("TALLYVANE_ANSWERS"); given && *given) {
            std::string list(given);
            size_t start = 0;
            while (start <= list.size()) {
                size_t comma = list.find(',', start);
                if (comma == std::string::npos)
                    comma = list.size();
                state.answers.push_back(list.substr(start, comma - start));
                start = comma + 1;
            }
        }
    }
    if (state.nextAnswer >= state.answers.size())
        return false;
    answer = AnswerFromWord(state.answers[state.nextAnswer++], type);
    return true;
}

} // namespace

MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter) {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    MessageBoxPresenter previous = std::move(state.presenter);
    state.presenter = std::move(presenter);
    return previous;
}

int SafeAnswer(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
        return IDCANCEL;
    case MB_YESNO:
        return IDNO;
    case MB_ABORTRETRYIGNORE:
        return IDIGNORE;
    default:
        return IDOK;
    }
}

int PresentMessageBoxHeadless(const MessageBoxRequest& request) {
    int answer = SafeAnswer(request.type);
    std::fprintf(stderr, "[%s] %s: %s [%s] -> %s\n", KindName(request.type),
                 request.caption.c_str(), Escape(request.text).c_str(), ButtonsName(request.type),
                 AnswerName(answer));
    return answer;
}

void ResetMessageBoxAnswers() {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    state.answersRead = false;
}

} // namespace tallyvane::user

int MessageBox(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    using namespace tallyvane::user;
    MessageBoxRequest request{lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType};
    State& state = TheState();
    int answer = 0;
    MessageBoxPresenter presenter;
    {
        std::lock_guard lock(state.mutex);
        if (!NextGivenAnswer(state, uType, answer))
            presenter = state.presenter;
    }
    if (answer == 0)
        answer = presenter ? presenter(request) : PresentMessageBoxHeadless(request);
    AppendToLog(request, answer);
    return answer;
}
