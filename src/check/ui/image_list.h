#pragma once
// The pictures that the results panels (and the alert window) show for an account's state,
// and the small button pictures of the panels. They are shipped inside the program.

#include <QIcon>
#include <QPixmap>

// 32 x 32 state pictures: 0 fine or changed, 1 new mail, 2 disabled, 3 error.
// Any other index gives an empty picture.
QPixmap ImageListPicture(int index);

// Small pictures of the panels' buttons and marks.
QIcon HelpButtonPicture();
QPixmap SslMarkPicture();
