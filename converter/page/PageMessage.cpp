#include "converter/page/PageMessage.h"

#include <cstdio>

// FIXME: route through MessageBox once the user layer is linked.
int ShowPageMessage(TMessageKind kind, const char* text) {
    const char* caption = kind == TMessageKind::Error         ? "Error"
                          : kind == TMessageKind::Information ? "Information"
                                                              : "Confirm";
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return 1;
}
