#include "converter/page/PageMessage.h"

#include "platform/WinUser.h"

int ShowPageMessage(TMessageKind kind, const char* text) {
    switch (kind) {
    case TMessageKind::Error:
        return MessageBox(nullptr, text, "Error", MB_OK | MB_ICONERROR);
    case TMessageKind::Information:
        return MessageBox(nullptr, text, "Information", MB_OK | MB_ICONINFORMATION);
    case TMessageKind::Confirm:
        return MessageBox(nullptr, text, "Confirm", MB_OK | MB_ICONQUESTION);
    }
    return 0;
}
