#pragma once
// The results window: one panel per account with the state of its last check. It sits at the
// bottom-right corner of the screen, keeps its width in the settings file, refreshes a panel
// when the timed check asks it to, and forgets the remembered count changes when it closes.

#include "widgets/child_window.h"

class AppState;
class QScrollArea;

class ResultsWindow : public ChildWindow {
    Q_OBJECT
public:
    explicit ResultsWindow(AppState& state);
    // Shows what is known now of the account at `index` in its panel (nothing for no panel).
    void RefreshPanel(int index);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildPanels();
    void SetUpWindow();
    void SetUpPanelColumn();
    int PanelAreaHeight() const;
    void PlaceAtBottomRight();

    AppState& state_;
    QScrollArea* scroll_ = nullptr;
};

// Shows the results window: brings the open one to the front, or creates it.
void OpenResultsWindow(AppState& state);
