#pragma once

#include <QString>

// The services that block or are random: the windows ask for them through this
// seam so that tests can script the answers and record every box shown.
class Platform
{
public:
    enum class Buttons { Ok, YesNo };
    enum class Icon { None, Stop, Information };
    enum class Answer { Ok, Yes, No };

    virtual ~Platform() = default;

    // A modal message box. Carriage returns in the text are line ends.
    virtual Answer messageBox(const QString &text, Buttons buttons, Icon icon,
                              const QString &title) = 0;
    // A modal one-line input box; empty text when cancelled.
    virtual QString inputBox(const QString &prompt, const QString &title,
                             const QString &defaultText) = 0;
    // Uniform single-precision value in [0, 1).
    virtual float random() = 0;
    // Reseeds the generator from the time of day.
    virtual void randomize() = 0;
    // Ends the program at once.
    virtual void quit() = 0;
};
