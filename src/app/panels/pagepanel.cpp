#include "pagepanel.h"

#include "editor/entryedits.h"
#include "editor/pageviewstate.h"
#include "placement.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

#include <initializer_list>
#include <utility>

using panels::place;

PagePanel::PagePanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pagePanel"));
    setGeometry(430, 30, 190, 490);
    hide();
    pageGroup = panels::makeGroup(this, "pageGroup", tr("ページ"), rect());
    returnPageButton = place(new QPushButton(QStringLiteral("←"), this), "returnPageButton", 20, 335, 62, 30);
    connect(returnPageButton, &QPushButton::clicked, this, &PagePanel::previousPageRequested);
    nextPageButton = place(new QPushButton(QStringLiteral("→"), this), "nextPageButton", 107, 335, 62, 30);
    connect(nextPageButton, &QPushButton::clicked, this, &PagePanel::nextPageRequested);
    deletePageButton = place(new QPushButton(tr("削除"), this), "deletePageButton", 23, 416, 145, 38);
    connect(deletePageButton, &QPushButton::clicked, this, &PagePanel::deletePageRequested);
    pageCountLabel = place(new QLabel(QStringLiteral("1/1"), this), "pageCountLabel", 20, 455, 143, 24);
    pageList = place(new QListWidget(this), "pageList", 20, 30, 150, 295);
    pageList->addItem(QStringLiteral("1.") + model::kindLabel(model::kind::None));
    connect(pageList, &QListWidget::itemSelectionChanged, this, &PagePanel::rowChosen);
    copyButton = place(new QPushButton(tr("コピー"), this), "copyButton", 20, 370, 62, 41);
    connect(copyButton, &QPushButton::clicked, this, &PagePanel::copyRequested);
    pasteButton = place(new QPushButton(tr("ペースト"), this), "pasteButton", 108, 370, 62, 41);
    connect(pasteButton, &QPushButton::clicked, this, &PagePanel::pasteRequested);
    // Translated words are wider than the two buttons were drawn for: they share the row between them then, and the
    // Japanese layout stays as it was drawn.
    if (pasteButton->text() != QStringLiteral("ペースト")) {
        copyButton->setFixedWidth(74);
        pasteButton->move(96, 370);
        pasteButton->setFixedWidth(74);
    }
    pageList->viewport()->installEventFilter(this);
}

void PagePanel::open()
{
    show();
    pageGroup->show();
    pageCountLabel->show();
}

void PagePanel::showPages(const QStringList& rows, int current, int count)
{
    currentPage = current;
    pageCount = count;
    pageList->clear();
    pageList->addItems(rows);
    pageList->setCurrentRow(current);
    if (QListWidgetItem* item = pageList->currentItem())
        pageList->scrollToItem(item, QAbstractItemView::PositionAtCenter);
    pageCountLabel->setText(QStringLiteral("%1/%2").arg(current).arg(count));
}

void PagePanel::applyViewState(const editor::PageViewState& view)
{
    for (QWidget* widget : std::initializer_list<QWidget*>{nextPageButton, pageList, copyButton})
        widget->setVisible(view.navigation);
    returnPageButton->setVisible(view.previousPage);
    deletePageButton->setVisible(view.deletePage);
    pasteButton->setVisible(view.pastePage);
    // The page controls go with a capture: a capture finished after a page change would land on another page.
    for (QWidget* widget : std::initializer_list<QWidget*>{pageGroup, nextPageButton, returnPageButton,
                                                           deletePageButton, pageList, copyButton, pasteButton})
        widget->setEnabled(view.pageControlsEnabled);
}

bool PagePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != pageList->viewport())
        return QWidget::eventFilter(watched, event);
    const auto type = event->type();
    if (type == QEvent::MouseButtonDblClick)
        return true; // the press before it has already shown the page
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint position = mouse->position().toPoint();
    const auto pageAt = [this](const QPoint& at) {
        const QListWidgetItem* item = pageList->itemAt(at);
        if (!item)
            return 0;
        const editor::PageListClick click = editor::pageListClick(pageList->row(item), currentPage, pageCount);
        return click.action == editor::PageListClick::Action::Show ? click.page : 0;
    };

    if (type == QEvent::MouseButtonPress) {
        if (mouse->button() != Qt::LeftButton)
            return false;
        // Each click rebuilds the rows, so the second click of a double-click lands on another row (often "+"):
        // it only repeats the first.
        const bool repeated = lastListPressTime >= 0 &&
                              qint64(mouse->timestamp()) - lastListPressTime < QApplication::doubleClickInterval() &&
                              (position - lastListPressPosition).manhattanLength() < QApplication::startDragDistance();
        lastListPressTime = qint64(mouse->timestamp());
        lastListPressPosition = position;
        dragging = false;
        dragSourcePage = repeated ? 0 : pageAt(position);
        listPressPending = !repeated;
        return repeated;
    }
    if (type == QEvent::MouseMove) {
        if (!(mouse->buttons() & Qt::LeftButton) || dragSourcePage == 0)
            return false;
        if (!dragging && (position - lastListPressPosition).manhattanLength() >= QApplication::startDragDistance()) {
            dragging = true;
            pageList->viewport()->setCursor(Qt::ClosedHandCursor);
        }
        // While the button is held the list must not follow the pointer: every row it selected would be shown.
        return true;
    }
    const int source = dragSourcePage;
    dragSourcePage = 0;
    listPressPending = false;
    if (!dragging)
        return false;
    dragging = false;
    pageList->viewport()->unsetCursor();
    // The page dropped on a page row takes that row's place; a drop on "+" or outside the rows changes nothing.
    const int target = pageAt(position);
    if (target != 0)
        Q_EMIT pageMoved(source, target);
    return true;
}

bool PagePanel::takePress()
{
    return std::exchange(listPressPending, false);
}

QList<std::pair<QWidget*, QString>> PagePanel::helpToolTips() const
{
    return {
        {returnPageButton, tr("前のページに戻ります。")},
        {nextPageButton, tr("次のページに進みます。")},
        {deletePageButton, tr("現在のページを削除します。")},
        {pageCountLabel, tr("すべてのページの数と現在のページです。")},
        {pageList, tr("押したページに飛びます、「+」を押すと「+」の位置にページを追加できます。")},
        {copyButton, tr("現在のページをコピーします。")},
        {pasteButton, tr("コピーしたのページをペーストします。")},
    };
}
