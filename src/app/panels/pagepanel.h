#pragma once

// The page list and the page buttons (←, →, 削除, コピー, ペースト) in their frame, and the page counter. It shows
// what the window hands it and says by signal which button was pressed; the pages themselves stay with the window.

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <utility>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
namespace editor {
struct PageViewState;
}

class PagePanel final : public QWidget {
    Q_OBJECT

public:
    // Takes the frame's place on parent; hidden, as the start screen has no pages.
    explicit PagePanel(QWidget* parent);

    // Shows the frame and the counter: the editor has opened.
    void open();
    // One row per page (and the rows that add one), the current page's row selected and centred, "current/count".
    void showPages(const QStringList& rows, int current, int count);
    // Shows and enables the buttons and the list as the page's view state says.
    void applyViewState(const editor::PageViewState& view);
    // The list, for its mouse and its context menu.
    QListWidget* list() const { return pageList; }
    // The controls that explain themselves in help mode, with their texts.
    QList<std::pair<QWidget*, QString>> helpToolTips() const;
    // Whether the row just chosen was chosen by a press on the list (once: the press is used up).
    bool takePress();

Q_SIGNALS:
    void previousPageRequested();
    void nextPageRequested();
    void deletePageRequested();
    void copyRequested();
    void pasteRequested();
    // The list's selected row changed, by the user or while the rows are filled.
    void rowChosen();
    // A page row was dragged onto another page row (pages counted from 1).
    void pageMoved(int from, int to);

protected:
    // The list's mouse: the second click of a double-click and a drag of a page row.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* pageGroup = nullptr;
    QPushButton* returnPageButton = nullptr;
    QPushButton* nextPageButton = nullptr;
    QPushButton* deletePageButton = nullptr;
    QLabel* pageCountLabel = nullptr;
    QListWidget* pageList = nullptr;
    QPushButton* copyButton = nullptr;
    QPushButton* pasteButton = nullptr;
    // What the rows show, the list's last press (event time, position) and the page row a drag started on (0: none).
    int currentPage = 1;
    int pageCount = 1;
    qint64 lastListPressTime = -1;
    QPoint lastListPressPosition;
    int dragSourcePage = 0;
    bool dragging = false;
    bool listPressPending = false; // a press on the list that has not selected a row yet
};
