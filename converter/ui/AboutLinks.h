// The four links of the about window: where each sits, what it shows and what it opens.
#pragma once

#include <array>

#include <QPoint>
#include <QString>

struct TAboutLink {
    QPoint place;   // top-left in the about window
    QString label;  // text of its picture
    QString target; // what the shell opens
};

// In the order of the resources: first web link, second web link, support mail, general mail.
inline const std::array<TAboutLink, 4>& AboutLinks() {
    static const std::array<TAboutLink, 4> links = {{
        {{55, 154},
         QStringLiteral("tallyvane.example.org"),
         QStringLiteral("https://tallyvane.example.org/")},
        {{55, 170},
         QStringLiteral("tallyvane.example.org/help"),
         QStringLiteral("https://tallyvane.example.org/help/")},
        {{55, 225},
         QStringLiteral("support@tallyvane.example.org"),
         QStringLiteral("mailto:support@tallyvane.example.org")},
        {{55, 240},
         QStringLiteral("hello@tallyvane.example.org"),
         QStringLiteral("mailto:hello@tallyvane.example.org")},
    }};
    return links;
}
