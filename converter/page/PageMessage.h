// The message boxes of the page geometry and the players, in one place so that every one of
// them carries the platform's standard caption and icon for its kind.
#pragma once

enum class TMessageKind { Error, Information, Confirm };

// Shows text in a modal box with one OK button and answers the button that closed it
// (IDOK, or another ID* value when the box was dismissed some other way).
int ShowPageMessage(TMessageKind kind, const char* text);
