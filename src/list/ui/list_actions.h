#pragma once
// The commands of the list window. The window owns and runs them; its panels show them on their
// tool bars and menus.

class QAction;
class QMenu;

struct ListActions {
    QAction* headers = nullptr;
    QAction* remove = nullptr;
    QAction* retrieve = nullptr;
    QAction* cancel = nullptr;
    QAction* toggleSpam = nullptr;
    QAction* deleteSpam = nullptr;
    QAction* toggleAllSpam = nullptr;
    QAction* toggleNoSpam = nullptr;
    QAction* spamSubject = nullptr;
    QAction* spamSender = nullptr;
    QAction* saveMessage = nullptr;
    QAction* close = nullptr;
    // The list menu: fetch an account's headers, the marks, the deletions, close.
    QMenu* listMenu = nullptr;
};
