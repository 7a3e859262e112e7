// The message boxes of the update check, as one small interface: the window shows real message
// boxes, the terminal prints their lines, and tests record them and answer for the user.
#pragma once

#include <QString>

enum class BoxIcon { Critical, Information };
enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

class UpdatePrompter {
  public:
    virtual ~UpdatePrompter() = default;

    // Shows one box and waits for the user's answer; a box with only OK answers Ok. `detail`,
    // often empty, says why a step failed, in the words of the part that failed.
    virtual BoxAnswer Show(const QString& title, const QString& text, BoxIcon icon,
                           BoxButtons buttons, const QString& detail) = 0;
};
