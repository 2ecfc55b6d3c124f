#pragma once

class QString;

// Hands documents and web addresses to the desktop.
class TMisc
{
public:
    TMisc() = delete;

    // Opens a document path or web address with the application the desktop has for it.
    // Whether the desktop manages is not examined: a failure changes nothing and is not reported.
    static void Open(const QString &sCommand);
};
