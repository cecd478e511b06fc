#include "platform/gui/grids.h"

#include "platform/os/utf8.h"

#include "platform/gui/application.h"
#include "platform/gui/canvas_qt.h"
#include "platform/gui/qtbridge.h"

#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <stdexcept>

using guiqt::Q;
using guiqt::S;

namespace {

class GridView : public QAbstractScrollArea {
public:
    explicit GridView(TDrawGrid* grid) : FGrid(grid) {
        setFocusPolicy(Qt::StrongFocus);
        viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
        QObject::connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
            if (!FSyncing) FGrid->SetTopRow(FGrid->FixedRows() + v);
        });
        QObject::connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
            if (!FSyncing) FGrid->SetLeftCol(FGrid->FixedCols() + v);
        });
    }

    // The first row (or column) from which the rest still fills the view: scrolling further
    // would only show empty space, and a grid that fits shows no scroll bar.
    int LastFirst(bool rows) const {
        const int count = rows ? FGrid->RowCount() : FGrid->ColCount();
        const int fixed = rows ? FGrid->FixedRows() : FGrid->FixedCols();
        const auto size = [&](int i) {
            return (rows ? FGrid->RowHeights(i) : FGrid->ColWidths(i)) + 1;
        };
        int room = rows ? viewport()->height() : viewport()->width();
        for (int i = 0; i < fixed && i < count; ++i)
            room -= size(i);
        int first = count - 1;
        if (first < fixed) return fixed;
        for (int used = size(first); first > fixed && used + size(first - 1) <= room; --first)
            used += size(first - 1);
        return first;
    }

    void SyncScrollBars() {
        FSyncing = true;
        verticalScrollBar()->setRange(0, std::max(LastFirst(true) - FGrid->FixedRows(), 0));
        verticalScrollBar()->setValue(FGrid->TopRow() - FGrid->FixedRows());
        horizontalScrollBar()->setRange(0, std::max(LastFirst(false) - FGrid->FixedCols(), 0));
        horizontalScrollBar()->setValue(FGrid->LeftCol() - FGrid->FixedCols());
        FSyncing = false;
        viewport()->update();
    }

    // The cell's editor: with the cell's text, or with typed in place of it (the first key a
    // person typed on the cell).
    void OpenEditor(int col, int row, const QString* typed = nullptr) {
        CloseEditor(true);
        const TRect r = FGrid->CellRect(col, row);
        if (r.Width() <= 0 || r.Height() <= 0) return;
        FEditor = new QLineEdit(viewport());
        FEditor->setGeometry(r.Left, r.Top, r.Width(), r.Height());
        // The column's limit stops typing; a longer text the cell holds is shown whole.
        const int limit = FGrid->ColMaxLength(col);
        const QString text = typed ? typed->left(limit > 0 ? limit : typed->size())
                                   : Q(FGrid->CellText(col, row));
        guiqt::LimitTyping(FEditor, limit, text);
        FEditor->setText(text);
        QObject::connect(FEditor, &QLineEdit::textEdited, FEditor,
                         [e = FEditor, limit](const QString& t) { guiqt::LimitTyping(e, limit, t); });
        FEditCol = col;
        FEditRow = row;
        FEditor->installEventFilter(this);
        QObject::connect(FEditor, &QLineEdit::editingFinished, this, [this] { CloseEditor(true); });
        FEditor->show();
        FEditor->setFocus();
    }

    void CloseEditor(bool commit) {
        if (!FEditor) return;
        QLineEdit* e = FEditor;
        FEditor = nullptr;
        // An editor left for another control (a click into another grid, a button) lets the
        // focus stay where it went; one closed by its own keys gives it back to its grid.
        const bool focused = e->hasFocus();
        if (commit) FGrid->CellEdited(FEditCol, FEditRow, S(e->text()));
        // The focus first: a focused editor that hides passes the focus on as Tab would.
        if (focused) setFocus();
        e->hide();
        e->deleteLater();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        TCanvas canvas;
        CanvasSetDevice(canvas, viewport());
        FGrid->PaintCells(canvas);
        CanvasSetDevice(canvas, nullptr);
    }
    void keyPressEvent(QKeyEvent* e) override {
        const std::uint16_t vk = guiqt::VkFromQtKey(e->key(), e->modifiers());
        const bool editing = (FGrid->Options() & goEditing) && FGrid->Enabled();
        if (editing && (vk == VK_RETURN || e->key() == Qt::Key_F2)) {
            OpenEditor(FGrid->Col(), FGrid->Row());
            return;
        }
        // Typing on the current cell replaces its text, as in any table.
        const QString text = e->text();
        if (editing && !text.isEmpty() && text[0].isPrint() &&
            !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            OpenEditor(FGrid->Col(), FGrid->Row(), &text);
            return;
        }
        if (FGrid->NavigateKey(vk)) return;
        QAbstractScrollArea::keyPressEvent(e);
    }
    // Tab and Shift+Tab move from cell to cell (goTabs); past the last cell they leave the grid.
    bool focusNextPrevChild(bool next) override {
        if (FEditor == nullptr && FGrid->TabCell(next)) return true;
        return QAbstractScrollArea::focusNextPrevChild(next);
    }
    // The editor's keys: Tab and Shift+Tab keep the text and go on to the next cell, Enter keeps
    // it and goes on to the next cell (staying on the last; never the dialog's default button),
    // Up and Down keep it and move a row, Esc drops it.
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o != FEditor || e->type() != QEvent::KeyPress)
            return QAbstractScrollArea::eventFilter(o, e);
        const auto* k = static_cast<QKeyEvent*>(e);
        switch (k->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab: {
            const bool next = k->key() == Qt::Key_Tab && !(k->modifiers() & Qt::ShiftModifier);
            CloseEditor(true);
            if (!FGrid->TabCell(next)) QAbstractScrollArea::focusNextPrevChild(next);
            return true;
        }
        case Qt::Key_Return:
        case Qt::Key_Enter:
            CloseEditor(true);
            FGrid->TabCell(true);
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            CloseEditor(true);
            FGrid->NavigateKey(k->key() == Qt::Key_Up ? VK_UP : VK_DOWN);
            return true;
        case Qt::Key_Escape:
            CloseEditor(false);
            return true;
        default:
            return QAbstractScrollArea::eventFilter(o, e);
        }
    }
    void resizeEvent(QResizeEvent* e) override {
        QAbstractScrollArea::resizeEvent(e);
        SyncScrollBars();
    }

private:
    TDrawGrid* FGrid;
    QLineEdit* FEditor = nullptr;
    int FEditCol = 0, FEditRow = 0;
    bool FSyncing = false;
};

GridView* ViewOf(const TControl* c) {
    return dynamic_cast<GridView*>(c->Widget());
}

} // namespace

// ---- TDrawGrid ----------------------------------------------------------------------------------

TDrawGrid::TDrawGrid(TComponent* AOwner) : TWinControl(AOwner) {
    FColWidths.assign(static_cast<std::size_t>(FColCount), FDefaultColWidth);
    FRowHeights.assign(static_cast<std::size_t>(FRowCount), FDefaultRowHeight);
    if (Application->HasWidgets()) AttachWidget(new GridView(this));
    SetDefaultSize(320, 120);
    FColor = clWindow;
}

TDrawGrid::~TDrawGrid() = default;

void TDrawGrid::CheckCell(int col, int row) const {
    if (col < 0 || col >= FColCount || row < 0 || row >= FRowCount)
        throw std::out_of_range("grid cell (" + std::to_string(col) + ", " + std::to_string(row) +
                                ") outside " + std::to_string(FColCount) + " x " +
                                std::to_string(FRowCount));
}

void TDrawGrid::GridChanged() {
    // Keep the fixed part inside the grid and the current and first cells in the scrolled part.
    FFixedCols = std::clamp(FFixedCols, 0, std::max(FColCount - 1, 0));
    FFixedRows = std::clamp(FFixedRows, 0, std::max(FRowCount - 1, 0));
    FCol = std::clamp(FCol, FFixedCols, std::max(FColCount - 1, FFixedCols));
    FRow = std::clamp(FRow, FFixedRows, std::max(FRowCount - 1, FFixedRows));
    FLeftCol = std::clamp(FLeftCol, FFixedCols, std::max(FColCount - 1, FFixedCols));
    FTopRow = std::clamp(FTopRow, FFixedRows, std::max(FRowCount - 1, FFixedRows));
    if (auto* v = ViewOf(this)) v->SyncScrollBars();
}

void TDrawGrid::SetColCount(int n) {
    FColCount = std::max(n, 1);
    FColWidths.resize(static_cast<std::size_t>(FColCount), FDefaultColWidth);
    GridChanged();
}

void TDrawGrid::SetRowCount(int n) {
    FRowCount = std::max(n, 1);
    FRowHeights.resize(static_cast<std::size_t>(FRowCount), FDefaultRowHeight);
    GridChanged();
}

void TDrawGrid::SetFixedCols(int n) {
    FFixedCols = std::max(n, 0);
    GridChanged();
}

void TDrawGrid::SetFixedRows(int n) {
    FFixedRows = std::max(n, 0);
    GridChanged();
}

void TDrawGrid::SetDefaultColWidth(int w) {
    FDefaultColWidth = std::max(w, 0);
    std::fill(FColWidths.begin(), FColWidths.end(), FDefaultColWidth);
    GridChanged();
}

void TDrawGrid::SetDefaultRowHeight(int h) {
    FDefaultRowHeight = std::max(h, 0);
    std::fill(FRowHeights.begin(), FRowHeights.end(), FDefaultRowHeight);
    GridChanged();
}

int TDrawGrid::ColWidths(int col) const {
    CheckCell(col, 0);
    return FColWidths[static_cast<std::size_t>(col)];
}

void TDrawGrid::SetColWidths(int col, int w) {
    CheckCell(col, 0);
    FColWidths[static_cast<std::size_t>(col)] = std::max(w, 0);
    GridChanged();
}

int TDrawGrid::RowHeights(int row) const {
    CheckCell(0, row);
    return FRowHeights[static_cast<std::size_t>(row)];
}

void TDrawGrid::SetRowHeights(int row, int h) {
    CheckCell(0, row);
    FRowHeights[static_cast<std::size_t>(row)] = std::max(h, 0);
    GridChanged();
}

void TDrawGrid::SetOptions(TGridOptions o) {
    FOptions = o;
    Invalidate();
}

void TDrawGrid::SetTopRow(int r) {
    FTopRow = r;
    GridChanged();
}

void TDrawGrid::SetLeftCol(int c) {
    FLeftCol = c;
    GridChanged();
}

bool TDrawGrid::SelectCell(int col, int row) {
    if (col < FFixedCols || col >= FColCount || row < FFixedRows || row >= FRowCount) return false;
    bool can = true;
    if (OnSelectCell) OnSelectCell(this, col, row, can);
    if (!can) return false;
    const bool moved = col != FCol || row != FRow;
    FCol = col;
    FRow = row;
    // Scroll the new current cell into view.
    if (FRow < FTopRow) FTopRow = FRow;
    if (FCol < FLeftCol) FLeftCol = FCol;
    if (Height() > 0) {
        int fixedH = 0;
        for (int r = 0; r < FFixedRows; ++r)
            fixedH += FRowHeights[r] + 1;
        while (FTopRow < FRow) {
            int h = fixedH;
            for (int r = FTopRow; r <= FRow; ++r)
                h += FRowHeights[r] + 1;
            if (h <= Height()) break;
            ++FTopRow;
        }
    }
    GridChanged();
    Invalidate();
    if (moved) TControl::Click();
    return true;
}

TRect TDrawGrid::CellRect(int col, int row) const {
    if (col < 0 || col >= FColCount || row < 0 || row >= FRowCount) return {};
    if ((col >= FFixedCols && col < FLeftCol) || (row >= FFixedRows && row < FTopRow)) return {};
    int x = 0;
    for (int c = 0; c < FFixedCols && c < col; ++c)
        x += FColWidths[c] + 1;
    if (col >= FFixedCols)
        for (int c = FLeftCol; c < col; ++c)
            x += FColWidths[c] + 1;
    int y = 0;
    for (int r = 0; r < FFixedRows && r < row; ++r)
        y += FRowHeights[r] + 1;
    if (row >= FFixedRows)
        for (int r = FTopRow; r < row; ++r)
            y += FRowHeights[r] + 1;
    return {x, y, x + FColWidths[col], y + FRowHeights[row]};
}

void TDrawGrid::MouseToCell(int x, int y, int& col, int& row) const {
    col = -1;
    row = -1;
    for (int c = 0; c < FColCount; ++c) {
        const TRect r = CellRect(c, c < FFixedCols ? 0 : FTopRow);
        if (r.Width() > 0 && x >= r.Left && x < r.Right + 1) {
            col = c;
            break;
        }
    }
    for (int rr = 0; rr < FRowCount; ++rr) {
        const TRect r = CellRect(rr < FFixedRows ? 0 : FLeftCol, rr);
        if (r.Height() > 0 && y >= r.Top && y < r.Bottom + 1) {
            row = rr;
            break;
        }
    }
    if (col < 0 || row < 0) col = row = -1;
}

void TDrawGrid::DoMouseDown(TMouseButton b, TShiftState s, int x, int y) {
    // A click leaves the open editor with its text kept: typing goes to the cell clicked.
    if (auto* v = ViewOf(this)) v->CloseEditor(true);
    int col, row;
    MouseToCell(x, y, col, row);
    if (b == mbLeft && col >= 0) SelectCell(col, row);
    FLastMouseCol = col;
    FLastMouseRow = row;
    TControl::DoMouseDown(b, s, x, y);
}

void TDrawGrid::DoDblClick() {
    TControl::DoDblClick();
    if ((FOptions & goEditing) && FLastMouseCol >= FFixedCols && FLastMouseRow >= FFixedRows)
        if (auto* v = ViewOf(this)) v->OpenEditor(FLastMouseCol, FLastMouseRow);
}

void TDrawGrid::ClickCell(int col, int row) {
    const TRect r = CellRect(col, row);
    if (r.Width() <= 0) return;
    const int x = r.Left + r.Width() / 2, y = r.Top + r.Height() / 2;
    DoMouseDown(mbLeft, ssLeft, x, y);
    DoMouseUp(mbLeft, 0, x, y);
}

void TDrawGrid::DblClickCell(int col, int row) {
    ClickCell(col, row);
    DoDblClick();
}

bool TDrawGrid::NavigateKey(std::uint16_t key) {
    int c = FCol, r = FRow;
    switch (key) {
    case VK_LEFT:
        --c;
        break;
    case VK_RIGHT:
        ++c;
        break;
    case VK_UP:
        --r;
        break;
    case VK_DOWN:
        ++r;
        break;
    case VK_PRIOR:
        r -= 10;
        break;
    case VK_NEXT:
        r += 10;
        break;
    case VK_HOME:
        c = FFixedCols;
        break;
    case VK_END:
        c = FColCount - 1;
        break;
    default:
        return false;
    }
    c = std::clamp(c, FFixedCols, FColCount - 1);
    r = std::clamp(r, FFixedRows, FRowCount - 1);
    if (c != FCol || r != FRow) SelectCell(c, r);
    return true;
}

bool TDrawGrid::TabCell(bool forward) {
    if (!(FOptions & goTabs) || (FOptions & goRowSelect)) return false;
    int c = FCol + (forward ? 1 : -1), r = FRow;
    if (c >= FColCount) {
        c = FFixedCols;
        ++r;
    } else if (c < FFixedCols) {
        c = FColCount - 1;
        --r;
    }
    if (r < FFixedRows || r >= FRowCount) return false;
    SelectCell(c, r);
    return true;
}

int TDrawGrid::ColMaxLength(int col) const {
    return col >= 0 && static_cast<std::size_t>(col) < FColMaxLength.size()
               ? FColMaxLength[static_cast<std::size_t>(col)]
               : 0;
}

void TDrawGrid::SetColMaxLength(int col, int n) {
    if (col < 0) return;
    if (FColMaxLength.size() <= static_cast<std::size_t>(col))
        FColMaxLength.resize(static_cast<std::size_t>(col) + 1, 0);
    FColMaxLength[static_cast<std::size_t>(col)] = std::max(n, 0);
}

void TDrawGrid::CellEdited(int col, int row, const std::string& value) {
    if (OnSetEditText) OnSetEditText(this, col, row, value);
}

void TDrawGrid::PaintCells(TCanvas& canvas) {
    FPaintCanvas = &canvas;
    const int w = std::max(ClientWidth(), 0), h = std::max(ClientHeight(), 0);
    canvas.Brush.Color = FColor;
    canvas.Brush.Style = bsSolid;
    canvas.FillRect({0, 0, w, h});
    // Grid lines are the background showing between the cells.
    canvas.Brush.Color = clSilver;
    for (int row = 0; row < FRowCount; ++row) {
        for (int col = 0; col < FColCount; ++col) {
            const TRect r = CellRect(col, row);
            if (r.Width() <= 0 || r.Height() <= 0 || r.Left >= w || r.Top >= h) continue;
            const bool fixed = col < FFixedCols || row < FFixedRows;
            const bool selected =
                !fixed && row == FRow && ((FOptions & goRowSelect) || col == FCol);
            TGridDrawState state = 0;
            if (fixed) state |= gdFixed;
            if (selected) state |= gdSelected;
            if (selected && col == FCol && Focused()) state |= gdFocused;
            const bool lines = fixed ? (FOptions & (goFixedVertLine | goFixedHorzLine))
                                     : (FOptions & (goVertLine | goHorzLine));
            if (lines) {
                canvas.Brush.Color = fixed ? clGray : clSilver;
                canvas.FillRect({r.Left, r.Top, r.Right + 1, r.Bottom + 1});
            }
            canvas.Font = FFont;
            canvas.Brush.Color = fixed ? FixedColor : selected ? clHighlight : FColor;
            canvas.Font.Color = selected ? clHighlightText : FFont.Color;
            if (DefaultDrawing) {
                canvas.FillRect(r);
                const std::string text = CellText(col, row);
                if (!text.empty()) canvas.TextRect(r, r.Left + 2, r.Top + 2, text);
            }
            if (OnDrawCell) OnDrawCell(this, col, row, r, state);
        }
    }
    FPaintCanvas = nullptr;
}

void TDrawGrid::SyncWidget() {
    TControl::SyncWidget();
    if (auto* v = ViewOf(this)) v->SyncScrollBars();
}

// ---- TStringGrid --------------------------------------------------------------------------------

TStringGrid::TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) {
    Resize();
}

void TStringGrid::Resize() {
    FCells.resize(static_cast<std::size_t>(RowCount()));
    for (auto& row : FCells)
        row.resize(static_cast<std::size_t>(ColCount()));
}

void TStringGrid::SetColCount(int n) {
    TDrawGrid::SetColCount(n);
    Resize();
}

void TStringGrid::SetRowCount(int n) {
    TDrawGrid::SetRowCount(n);
    Resize();
}

const std::string& TStringGrid::Cells(int col, int row) const {
    CheckCell(col, row);
    return FCells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void TStringGrid::SetCells(int col, int row, std::string_view s) {
    CheckCell(col, row);
    FCells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = s;
    Invalidate();
}

bool TStringGrid::TypeCell(int col, int row, std::string_view s) {
    if (!(Options() & goEditing) || !Enabled()) return false;
    if (col < FixedCols() || row < FixedRows() || col >= ColCount() || row >= RowCount())
        return false;
    SetFocus();
    if (!SelectCell(col, row)) return false;
    const int limit = ColMaxLength(col);
    CellEdited(col, row,
               limit > 0 ? os::Utf8Left(s, static_cast<std::size_t>(limit)) : std::string(s));
    return true;
}

void TStringGrid::CellEdited(int col, int row, const std::string& value) {
    SetCells(col, row, value);
    TDrawGrid::CellEdited(col, row, value);
}
