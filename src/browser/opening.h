#pragma once
// Starting programs from links and copying material folders to the desktop: a small object
// that gets what it needs from the main window (values, platform, notice) passed in.
#include "app/windowneeds.h"

#include <QString>
#include <functional>

class Opening {
public:
    // What these operations need from the window that owns them.
    struct Needs : WindowNeeds {
        // The text of the URL field, handed to a started program.
        std::function<QString()> urlField;
    };

    explicit Opening(Needs needs);

    // Starts program `FF` ("program+arguments" splits there) with the shell's program file,
    // the URL field and the arguments.
    void EXE123(const QString &FF, const QString &F2);
    // Copies folder `F1` to the desktop folder `F2`, after a question; with `MW` (the MWEX
    // folder) it is exported with the Logo program and this program beside it.
    void DTPCOPY(const QString &F1, const QString &FF, const QString &F2, const QString &MW);

private:
    Needs n_;
};
