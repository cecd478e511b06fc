#include "platform/data/qt/dbgrids.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>

#include <algorithm>

#include "platform/data/dataset.h"
#include "platform/data/db.h"
#include "platform/data/datasource.h"
#include "platform/gui/application.h"
#include "platform/gui/canvas_qt.h"
#include "platform/gui/msgbox.h"
#include "platform/gui/qtbridge.h"

using guiqt::Q;
using guiqt::S;

namespace {

constexpr std::size_t kCacheRows = 512;
enum { kActive = 1, kDataSet = 2, kScrolled = 3, kRecord = 4, kEditing = 5, kLayout = 6 };

bool EditState(TDataSetState s) {
    return s == dsEdit || s == dsInsert;
}

// Text within a cell with margins 2, in the column's alignment, clipped to the cell.
void DrawCellText(QPainter& p, const QRect& r, const QString& text, TAlignment a) {
    const QFontMetrics fm(p.font());
    const int w = fm.horizontalAdvance(text);
    int x = r.left() + 2;
    if (a == taRightJustify) x = r.right() + 1 - w - 3;
    if (a == taCenter) x = r.left() + r.width() / 2 - w / 2;
    p.save();
    p.setClipRect(r);
    p.drawText(QPoint(x, r.top() + 2 + fm.ascent()), text);
    p.restore();
}

} // namespace

TRect BooleanBoxSquare(const TRect& cell) {
    const int w = cell.Right - cell.Left, h = cell.Bottom - cell.Top;
    TRect sq =
        h < w ? TRect{cell.Left + (w - h) / 2, cell.Top, cell.Left + (w - h) / 2 + h, cell.Bottom}
              : TRect{cell.Left, cell.Top, cell.Right, cell.Top + w};
    // Shrunk by the pen's width (1) plus one.
    return {sq.Left + 2, sq.Top + 2, sq.Right - 2, sq.Bottom - 2};
}

namespace {

void DrawBooleanBox(QPainter& p, const QRect& cell, TTzBooleanBox box, bool checked,
                    const QColor& font, const QColor& brush) {
    p.save();
    p.fillRect(cell, brush);
    const TRect s =
        BooleanBoxSquare({cell.left(), cell.top(), cell.right() + 1, cell.bottom() + 1});
    const QRect sq(s.Left, s.Top, s.Right - s.Left, s.Bottom - s.Top);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(font, 1));
    p.setBrush(brush);
    if (box == bbCheckBox || box == bbFillBox || box == bbFillBoxRed)
        p.drawRect(sq.adjusted(0, 0, -1, -1));
    if (box == bbRButton || box == bbRButtonRed) p.drawEllipse(sq.adjusted(0, 0, -1, -1));
    if (checked) {
        const bool red = box == bbFillBoxRed || box == bbRButtonRed || box == bbDotRed;
        const QColor mark = red ? QColor(255, 0, 0) : font;
        p.setPen(QPen(mark, 2));
        p.setBrush(mark);
        const int l = s.Left, t = s.Top, r = s.Right, b = s.Bottom, w = r - l;
        switch (box) {
        case bbCheckMark: {
            const QPoint pts[3] = {{l + 2, t + w / 2}, {l + w / 3, b - 2}, {r - 2, t}};
            p.drawPolyline(pts, 3);
            break;
        }
        case bbFillBox:
        case bbFillBoxRed:
            p.fillRect(QRect(l + 1, t + 1, w - 2, b - t - 2), mark);
            break;
        case bbRButton:
        case bbDot:
        case bbRButtonRed:
        case bbDotRed:
            p.setPen(QPen(mark, 0));
            p.drawEllipse(QRect(l + 2, t + 2, w - 4, b - t - 4));
            break;
        default:
            p.drawLine(l + 3, t + 3, r - 3, b - 3);
            p.drawLine(r - 3, t + 3, l + 3, b - 3);
            break;
        }
    }
    p.restore();
}

} // namespace

// ---- the Qt side ----------------------------------------------------------------------------

struct TDBGrid::Impl {
    class Link : public TDataLink {
    public:
        explicit Link(TDBGrid* g) : FGrid(g) {}
        TDBGrid* FGrid;

    protected:
        void ActiveChanged() override { FGrid->DataChanged(kActive); }
        void DataSetChanged() override { FGrid->DataChanged(kDataSet); }
        void DataSetScrolled(int) override { FGrid->DataChanged(kScrolled); }
        void RecordChanged(TField*) override { FGrid->DataChanged(kRecord); }
        void EditingChanged() override { FGrid->DataChanged(kEditing); }
        void LayoutChanged() override { FGrid->DataChanged(kLayout); }
        // Before a post (the navigator's, a command's): the text typed into the open editor
        // goes into its field, as leaving the cell would put it there.
        void UpdateData() override { FGrid->FImpl->TakeEditorText(); }
    };

    class Model : public QAbstractTableModel {
    public:
        explicit Model(TDBGrid* g) : FGrid(g) {}
        TDBGrid* FGrid;
        int FRows = 0, FCols = 0;
        int rowCount(const QModelIndex& parent) const override {
            return parent.isValid() ? 0 : FRows;
        }
        int columnCount(const QModelIndex& parent) const override {
            return parent.isValid() ? 0 : FCols;
        }
        QVariant data(const QModelIndex& index, int role) const override {
            if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
            return Q(FGrid->CellText(index.row(), index.column()));
        }
        QVariant headerData(int section, Qt::Orientation o, int role) const override {
            if (role != Qt::DisplayRole) return {};
            if (o == Qt::Horizontal) {
                if (section < 0 || section >= FGrid->ColumnCount()) return {};
                return Q(FGrid->Columns(section).TitleCaption);
            }
            // The indicator: the current record, marked by its state.
            if (section != FGrid->CurrentRowCached()) return QString();
            TDataSet* ds = FGrid->DataSet();
            const TDataSetState s = ds ? ds->State() : dsInactive;
            return s == dsInsert ? QStringLiteral("*")
                   : s == dsEdit ? QStringLiteral("I")
                                 : QString(QChar(0x25B6));
        }
        Qt::ItemFlags flags(const QModelIndex& index) const override {
            Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (FGrid->CanEditColumn(index.column())) f |= Qt::ItemIsEditable;
            return f;
        }
        bool setData(const QModelIndex& index, const QVariant& value, int role) override {
            if (role != Qt::EditRole) return false;
            FGrid->CommitCell(index.row(), index.column(), S(value.toString()));
            return true;
        }
        void Sync() {
            const int rows = FGrid->RowCount(), cols = FGrid->ColumnCount();
            if (rows != FRows || cols != FCols) {
                beginResetModel();
                FRows = rows;
                FCols = cols;
                endResetModel();
            } else if (rows > 0 && cols > 0) {
                emit dataChanged(index(0, 0), index(rows - 1, cols - 1));
                emit headerDataChanged(Qt::Vertical, 0, rows - 1);
            }
        }
    };

    class Delegate : public QStyledItemDelegate {
    public:
        explicit Delegate(TDBGrid* g) : FGrid(g) {}
        TDBGrid* FGrid;
        void paint(QPainter* p, const QStyleOptionViewItem& opt,
                   const QModelIndex& index) const override {
            const int row = index.row(), col = index.column();
            const bool fixed = col < FGrid->FixedColumns();
            // The fixed columns' own view covers them: they are drawn (and reported) there.
            if (fixed && opt.widget == FGrid->FImpl->view && FGrid->FImpl->FrozenShown()) return;
            const bool selected = opt.state & QStyle::State_Selected;
            TGridDrawState state = fixed ? TGridDrawState(gdFixed) : 0u;
            if (selected) state |= gdSelected;
            if (opt.state & QStyle::State_HasFocus) state |= gdFocused;
            FGrid->FImpl->painted.push_back({opt.rect, row, col, state});
            if (!FGrid->DefaultDrawing) {
                QStyledItemDelegate::paint(p, opt, index);
                return;
            }
            bool deleted = false;
            const TGridColors c = FGrid->CellColors(row, col, selected, deleted);
            const QColor brush = ToQColor(c.CellColor);
            QColor font = ToQColor(c.CellTextColor);
            if (!FGrid->Enabled()) font = ToQColor(clGrayText);
            const std::string text = FGrid->CellText(row, col);
            std::string yes;
            if (FGrid->IsBooleanColumn(col, &yes) && FGrid->BooleanBox() != bbText) {
                const bool checked = Q(text).toLower() == Q(yes).toLower();
                DrawBooleanBox(*p, opt.rect, FGrid->BooleanBox(), checked, font, brush);
                return;
            }
            p->fillRect(opt.rect, brush);
            p->setPen(font);
            DrawCellText(*p, opt.rect, Q(text), FGrid->Columns(col).Alignment);
        }
        QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                              const QModelIndex& index) const override {
            auto* e = new QLineEdit(parent);
            e->setFrame(false);
            const std::string mask = FGrid->ColumnEditMask(index.column());
            if (!mask.empty()) e->setInputMask(Q(TMaskEdit::QtInputMask(mask)));
            Impl& impl = *FGrid->FImpl;
            impl.editor = e;
            impl.editColumn = index.column();
            // Typing stops where a text field ends.
            if (const TField* f = FGrid->Columns(index.column()).Field;
                f != nullptr && f->DataType() == ftString && f->Size() > 0)
                e->setMaxLength(f->Size());
            // The first key typed puts the record into edit, so that saving and cancelling
            // are offered (and mean this text) from then on, as for a new row.
            TDBGrid* grid = FGrid;
            QObject::connect(e, &QLineEdit::textEdited, e, [grid] { grid->FImpl->EditorTyped(); });
            return e;
        }
        void setEditorData(QWidget* editor, const QModelIndex& index) const override {
            // The rows' update as the record goes into edit (at the first key) leaves what was
            // typed alone.
            if (auto* e = qobject_cast<QLineEdit*>(editor);
                e != nullptr && e->property(kOpenedWith).isValid() &&
                e->property(kOpenedWith).toString() != e->text())
                return;
            QStyledItemDelegate::setEditorData(editor, index);
            if (auto* e = qobject_cast<QLineEdit*>(editor)) e->setProperty(kOpenedWith, e->text());
        }
        // An editor left as it opened changes nothing: a new row never typed into stays
        // unmodified, so leaving it (by any key or click) cancels it instead of writing a blank
        // record.
        void setModelData(QWidget* editor, QAbstractItemModel* model,
                          const QModelIndex& index) const override {
            if (auto* e = qobject_cast<QLineEdit*>(editor);
                e != nullptr && e->property(kOpenedWith).toString() == e->text())
                return;
            QStyledItemDelegate::setModelData(editor, model, index);
        }
        static constexpr const char* kOpenedWith = "qorOpenedWith";
    };

    class Header : public QHeaderView {
    public:
        Header(TDBGrid* g, QWidget* parent) : QHeaderView(Qt::Horizontal, parent), FGrid(g) {
            setSectionsClickable(false);
            setHighlightSections(false);
        }
        TDBGrid* FGrid;

    protected:
        void paintSection(QPainter* p, const QRect& r, int section) const override {
            QHeaderView::paintSection(p, r, section);
            if (section != FGrid->DepressedColumn()) return;
            // A sunken inner edge: dark on the top and left, light on the right and bottom.
            p->save();
            p->setClipRect(r);
            const int l = r.left() + 1, t = r.top() + 1, w = r.width() - 2, h = r.height() - 2;
            p->fillRect(QRect(l, t + h - 1, w, 1), QColor(255, 255, 255));
            p->fillRect(QRect(l + w - 1, t, 1, h), QColor(255, 255, 255));
            p->fillRect(QRect(l, t, w - 1, 1), QColor(64, 64, 64));
            p->fillRect(QRect(l, t, 1, h - 1), QColor(64, 64, 64));
            p->fillRect(QRect(l + 1, t + 1, w - 3, 1), QColor(128, 128, 128));
            p->fillRect(QRect(l + 1, t + 1, 1, h - 3), QColor(128, 128, 128));
            p->restore();
        }
        void mouseReleaseEvent(QMouseEvent* e) override {
            const int section = logicalIndexAt(e->position().toPoint());
            const TMouseButton b = e->button() == Qt::RightButton ? mbRight : mbLeft;
            QHeaderView::mouseReleaseEvent(e);
            if (section >= 0 && (e->button() == Qt::RightButton || e->button() == Qt::LeftButton))
                FGrid->TitleMouseUp(section, b, guiqt::ShiftFromQt(e->modifiers(), Qt::NoButton));
        }
    };

    class View : public QTableView {
    public:
        View(TDBGrid* g, bool frozen = false) : FGrid(g), FFrozen(frozen) {}
        TDBGrid* FGrid;
        bool FFrozen; // the view of the fixed columns, over the main view's left part
        bool FSyncing = false;

        // A cell of a fixed column is edited in the fixed columns' view, which lies over it in
        // the main view: the editor shows where the cell is.
        using QTableView::edit;
        bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
            if (!FFrozen && index.isValid() && index.column() < FGrid->FixedColumns() &&
                FGrid->FImpl->FrozenShown())
                return FGrid->FImpl->frozen->EditHere(index, trigger, event);
            return QTableView::edit(index, trigger, event);
        }
        bool EditHere(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
            return QTableView::edit(index, trigger, event);
        }
        // After an editor of the fixed columns' view the main view keeps the keys and moves on
        // (Tab, Shift+Tab) as after an editor of its own.
        void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override {
            // Esc drops the cell's text, a refused one too.
            if (hint == QAbstractItemDelegate::RevertModelCache) FGrid->FImpl->refusedColumn = -1;
            if (!FFrozen) {
                QTableView::closeEditor(editor, hint);
                return;
            }
            const bool hadFocus = editor != nullptr && editor->hasFocus();
            QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
            View* main = FGrid->FImpl->view;
            if (hadFocus) main->setFocus();
            main->closeEditor(nullptr, hint);
        }

        void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override {
            QTableView::scrollTo(index, hint);
            if (FFrozen || !index.isValid() || !FGrid->FImpl->FrozenShown()) return;
            // A cell right of the fixed columns is not left under them.
            const int fixedWidth = FGrid->FImpl->FrozenWidth();
            const QRect r = visualRect(index);
            if (index.column() >= FGrid->FixedColumns() && r.left() < fixedWidth)
                horizontalScrollBar()->setValue(horizontalScrollBar()->value() + r.left() -
                                                fixedWidth);
        }

    protected:
        void paintEvent(QPaintEvent* e) override {
            FGrid->FImpl->painted.clear();
            QTableView::paintEvent(e);
            FGrid->FImpl->FirePainted(viewport());
        }
        void updateGeometries() override {
            QTableView::updateGeometries();
            if (!FFrozen) FGrid->FImpl->PlaceFrozen();
        }
        void keyPressEvent(QKeyEvent* e) override {
            const std::uint16_t vk = guiqt::VkFromQtKey(e->key(), e->modifiers());
            const TShiftState s = guiqt::ShiftFromQt(e->modifiers(), Qt::NoButton);
            if (state() != QAbstractItemView::EditingState) {
                if (vk != 0 && FGrid->HandleKey(vk, s)) return;
                const QString t = e->text();
                if (t.size() == 1 && t[0].unicode() < 128 &&
                    FGrid->HandleChar(char(t[0].unicode())))
                    return;
                // Enter opens the cell for editing, as F2 and typing do.
                if (vk == VK_RETURN && s == 0 && currentIndex().isValid() &&
                    FGrid->CanEditColumn(currentIndex().column())) {
                    edit(currentIndex());
                    return;
                }
            }
            QTableView::keyPressEvent(e);
        }
        void currentChanged(const QModelIndex& now, const QModelIndex& before) override {
            QTableView::currentChanged(now, before);
            // Both views share the selection: the main view follows the record.
            if (FFrozen || FSyncing || !now.isValid()) return;
            FGrid->FSelectedIndex = now.column();
            if (!before.isValid() || now.row() != before.row()) FGrid->RowPicked(now.row());
        }
        void mousePressEvent(QMouseEvent* e) override {
            const QModelIndex i = indexAt(e->position().toPoint());
            QTableView::mousePressEvent(e);
            if (i.isValid() && e->button() == Qt::LeftButton)
                FGrid->ToggleField(i.row(), i.column());
        }
        void mouseReleaseEvent(QMouseEvent* e) override {
            const QModelIndex i = indexAt(e->position().toPoint());
            QTableView::mouseReleaseEvent(e);
            if (i.isValid() && e->button() == Qt::LeftButton)
                FireEvent(FGrid->OnCellClick, FGrid, i.column());
        }
    };

    class CornerFilter : public QObject {
    public:
        explicit CornerFilter(TDBGrid* g) : FGrid(g) {}
        TDBGrid* FGrid;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::MouseButtonRelease) {
                auto* me = static_cast<QMouseEvent*>(e);
                FGrid->TitleMouseUp(-1, me->button() == Qt::RightButton ? mbRight : mbLeft);
                return true;
            }
            return QObject::eventFilter(o, e);
        }
    };

    explicit Impl(TDBGrid* g) : link(g), grid(g) {}
    Link link;
    TDBGrid* grid;
    TDataSource* source = nullptr;
    View* view = nullptr;
    View* frozen = nullptr; // the fixed columns (created when first needed)
    Model* model = nullptr;
    Header* header = nullptr;
    int currentRow = -1;
    bool currentKnown = false;
    bool toggling = false;
    struct Painted {
        QRect rect;
        int row, col;
        TGridDrawState state;
    };
    std::vector<Painted> painted; // the cells of the paint event in progress
    bool committing = false;      // the grid itself puts the record into edit
    QPointer<QLineEdit> editor;   // the cell editor open now, if any
    int editColumn = -1;
    int editedColumn = -1; // the cell last changed in the record's edit, -1 outside an edit
    // A text refused for its cell waits there: the record cannot leave its edit until the text
    // is changed or the cell's edit cancelled (-1: none).
    int refusedColumn = -1;
    std::string refusedText;
    bool reopening = false; // the refused text's cell opens again once the events are through

    void EditorTyped() {
        TDataSet* ds = grid->DataSet();
        if (ds == nullptr || EditState(ds->State()) || !grid->CanEditColumn(editColumn)) return;
        committing = true;
        try {
            if (link.Edit()) editedColumn = editColumn;
        } catch (const std::exception& e) {
            ds->HandleException(e);
        }
        committing = false;
    }
    // A text the field cannot hold as typed: said (once, while the same text waits), the cell
    // opens again with it, and nothing of it is stored.
    bool Refused(int row, int column, const std::string& text, bool say) {
        TField* f = grid->FColumns[static_cast<std::size_t>(column)].Field;
        const std::string why = f != nullptr ? grid->CellTextProblem(*f, text) : std::string();
        if (why.empty()) return false;
        if (say || refusedColumn != column || refusedText != text)
            MessageBox(why, "Error", MB_OK | MB_ICONERROR);
        refusedColumn = column;
        refusedText = text;
        ReopenEditor(row, column, text);
        return true;
    }
    // Still in the edit after a move away from it failed (the user chose to go back to it, or
    // it could not be written): the cursor is on the edited record and cell again, and the
    // cell the click or key aimed at is no longer marked, so typing goes where it shows, with
    // the keyboard back in the grid (a clicked button had taken it).
    void BackToEditedCell() {
        if (editedColumn >= 0 && editedColumn < grid->ColumnCount())
            grid->FSelectedIndex = editedColumn;
        if (view == nullptr) return;
        const auto place = [this] {
            const int row = grid->CurrentRow();
            const QModelIndex i = model->index(row, grid->FSelectedIndex);
            if (row < 0 || !i.isValid()) return;
            view->FSyncing = true;
            view->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
            view->FSyncing = false;
            view->scrollTo(i);
            if (editor == nullptr) grid->SetFocus();
        };
        place();
        QTimer::singleShot(0, view, place); // after the click has marked its own cell
    }
    // The typed text into the current record's field (the editor is on the current row). A
    // refused text, typed or waiting in its cell, stops the post that asked for it: the record
    // stays in its edit, never stored with what the field cannot hold.
    void TakeEditorText() {
        QLineEdit* e = editor;
        if (e != nullptr && editColumn >= 0 && editColumn < grid->ColumnCount() &&
            e->property(Delegate::kOpenedWith).toString() != e->text()) {
            if (TField* f = grid->FColumns[static_cast<std::size_t>(editColumn)].Field) {
                const std::string text = S(e->text());
                if (Refused(grid->CurrentRow(), editColumn, text, false)) throw EAbort();
                e->setProperty(Delegate::kOpenedWith, e->text()); // taken: closing adds nothing
                f->SetText(text);
                if (editColumn == refusedColumn) refusedColumn = -1;
            }
        }
        if (refusedColumn >= 0) {
            BackToEditedCell();
            throw EAbort();
        }
    }
    // A refused text stays where it was typed, for the user to change it.
    void ReopenEditor(int row, int column, const std::string& text) {
        if (view == nullptr || !view->isVisible() || reopening) return;
        reopening = true;
        QTimer::singleShot(0, view, [this, row, column, text] {
            reopening = false;
            const QModelIndex i = model->index(row, column);
            if (!i.isValid()) return;
            view->setCurrentIndex(i);
            if (editor == nullptr) view->setFocus();
            view->edit(i);
            if (QLineEdit* e = editor) {
                e->setText(Q(text));
                e->setProperty(Delegate::kOpenedWith, QString()); // typed, not as it opened
            }
        });
    }
    // The record left the edit (saved or cancelled) while the editor was open: the editor goes,
    // and what it held is not written again.
    void DropEditor() {
        QLineEdit* e = editor;
        if (e == nullptr) return;
        e->setProperty(Delegate::kOpenedWith, e->text());
        View* owner = frozen != nullptr && frozen->isAncestorOf(e) ? frozen : view;
        if (owner != nullptr) owner->closeEditor(e, QAbstractItemDelegate::NoHint);
        editor = nullptr;
    }

    void OpenEditorLater() {
        if (view == nullptr || !view->isVisible()) return;
        QTimer::singleShot(0, view, [this] {
            const QModelIndex i = view->currentIndex();
            if (!i.isValid() || !grid->CanEditColumn(i.column())) return;
            TDataSet* ds = grid->DataSet();
            if (ds == nullptr || !EditState(ds->State())) return;
            view->setFocus();
            view->edit(i);
        });
    }

    bool FrozenShown() const { return frozen != nullptr && !frozen->isHidden(); }
    int FrozenWidth() const {
        int w = 0;
        for (int c = 0; c < grid->FixedColumns(); ++c)
            w += view->columnWidth(c);
        return w;
    }
    // The fixed columns' view over the left part of the main view's cells and titles.
    void PlaceFrozen() {
        if (!FrozenShown()) return;
        const int f = view->frameWidth();
        // Hidden, not invisible: the window may not be shown yet.
        const int left = view->verticalHeader()->isHidden() ? 0 : view->verticalHeader()->width();
        const int top =
            view->horizontalHeader()->isHidden() ? 0 : view->horizontalHeader()->height();
        frozen->setGeometry(f + left, f, std::min(FrozenWidth(), view->viewport()->width()),
                            view->viewport()->height() + top);
    }
    void UpdateFrozen() {
        if (view == nullptr) return;
        const int n = grid->FixedColumns();
        if (n == 0) {
            if (frozen) frozen->hide();
            view->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
            return;
        }
        if (frozen == nullptr) {
            frozen = new View(grid, true);
            frozen->setParent(view);
            frozen->setModel(model);
            frozen->setSelectionModel(view->selectionModel());
            // A delegate of its own: a delegate's editors report to every view it serves.
            auto* delegate = new Delegate(grid);
            delegate->setParent(frozen);
            frozen->setItemDelegate(delegate);
            frozen->setHorizontalHeader(new Header(grid, frozen));
            frozen->horizontalHeader()->setToolTip(Q(grid->TitleHint()));
            frozen->verticalHeader()->hide();
            frozen->setFocusPolicy(Qt::NoFocus);
            frozen->setFrameShape(QFrame::NoFrame);
            frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            frozen->setWordWrap(false);
            frozen->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
            frozen->verticalHeader()->setDefaultSectionSize(
                view->verticalHeader()->defaultSectionSize());
            QObject::connect(frozen->verticalScrollBar(), &QScrollBar::valueChanged,
                             view->verticalScrollBar(), &QScrollBar::setValue);
            QObject::connect(view->verticalScrollBar(), &QScrollBar::valueChanged,
                             frozen->verticalScrollBar(), &QScrollBar::setValue);
            QObject::connect(view->horizontalHeader(), &QHeaderView::sectionResized, frozen,
                             [this](int c, int, int w) {
                                 if (c < grid->FixedColumns()) frozen->setColumnWidth(c, w);
                                 PlaceFrozen();
                             });
        }
        view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        frozen->horizontalHeader()->setHidden(view->horizontalHeader()->isHidden());
        frozen->setShowGrid(view->showGrid());
        frozen->setEditTriggers(view->editTriggers());
        frozen->setSelectionBehavior(view->selectionBehavior());
        frozen->horizontalHeader()->setPalette(view->horizontalHeader()->palette());
        frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        for (int c = 0; c < model->columnCount({}); ++c) {
            frozen->setColumnHidden(c, c >= n);
            frozen->setColumnWidth(c, view->columnWidth(c));
        }
        frozen->show();
        frozen->raise();
        PlaceFrozen();
        frozen->verticalScrollBar()->setValue(view->verticalScrollBar()->value());
    }
    // The drawing events of the cells just painted, on a canvas of the same widget.
    void FirePainted(QWidget* on) {
        if (painted.empty() || (!grid->OnDrawDataCell && !grid->OnDrawColumnCell)) return;
        TCanvas canvas;
        CanvasSetDevice(canvas, on);
        canvas.Font = grid->Font();
        grid->FPaintCanvas = &canvas;
        try {
            for (const Painted& c : painted)
                grid->DrawCellEvents(
                    {c.rect.left(), c.rect.top(), c.rect.right() + 1, c.rect.bottom() + 1}, c.row,
                    c.col, c.state);
        } catch (const std::exception& e) {
            // Reported once the painting is over; the rest of the cells stay undecorated.
            const std::string what = e.what();
            QTimer::singleShot(0, view,
                               [what] { ApplicationHandleException(std::runtime_error(what)); });
        }
        grid->FPaintCanvas = nullptr;
        CanvasSetDevice(canvas, nullptr);
        painted.clear();
    }
};

int TDBGrid::CurrentRowCached() const {
    return FImpl->currentKnown ? FImpl->currentRow : -1;
}

bool TDBGrid::CanEditColumn(int column) const {
    if (!(FOptions & dgEditing) || FReadOnly || column < 0 || column >= ColumnCount()) return false;
    const TColumn& c = FColumns[static_cast<std::size_t>(column)];
    if (c.ReadOnly || !c.Field || !c.Field->CanModify()) return false;
    return !(IsBooleanColumn(column) && FBooleanBox != bbText);
}

TDBGrid::TDBGrid(TComponent* AOwner) : TWinControl(AOwner), FImpl(std::make_unique<Impl>(this)) {
    FColor = clWindow;
    if (Application->HasWidgets()) {
        auto* v = new Impl::View(this);
        FImpl->view = v;
        FImpl->model = new Impl::Model(this);
        FImpl->header = new Impl::Header(this, v);
        v->setHorizontalHeader(FImpl->header);
        FImpl->model->setParent(v);
        v->setModel(FImpl->model);
        auto* delegate = new Impl::Delegate(this);
        delegate->setParent(v);
        v->setItemDelegate(delegate);
        v->setSelectionMode(QAbstractItemView::SingleSelection);
        v->setSelectionBehavior(QAbstractItemView::SelectItems);
        v->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
        v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        v->verticalHeader()->setDefaultSectionSize(v->fontMetrics().height() + 6);
        v->verticalHeader()->setFixedWidth(14);
        v->setWordWrap(false);
        if (auto* corner = v->findChild<QAbstractButton*>()) {
            auto* filter = new Impl::CornerFilter(this);
            filter->setParent(v);
            corner->installEventFilter(filter);
        }
        AttachWidget(v);
    }
    SetDefaultSize(320, 160);
}

TDBGrid::~TDBGrid() {
    FImpl->link.SetDataSource(nullptr);
}

TDataSource* TDBGrid::DataSource() const {
    return FImpl->link.DataSource();
}

void TDBGrid::SetDataSource(TDataSource* source) {
    FImpl->link.SetDataSource(source);
    DataChanged(kActive);
}

TDataSet* TDBGrid::DataSet() const {
    return FImpl->link.Active() ? FImpl->link.DataSet() : nullptr;
}

void TDBGrid::SetOptions(TDBGridOptions o) {
    FOptions = o;
    SyncWidget();
}

void TDBGrid::SetReadOnly(bool on) {
    FReadOnly = on;
    FImpl->link.SetReadOnly(on);
    SyncWidget(); // typing opens an editor only while the grid may edit
}

void TDBGrid::SetBooleanBox(TTzBooleanBox b) {
    FBooleanBox = b;
    Invalidate();
    if (FImpl->view) FImpl->view->viewport()->update();
}

void TDBGrid::SyncWidget() {
    TWinControl::SyncWidget();
    Impl::View* v = FImpl->view;
    if (!v) return;
    v->horizontalHeader()->setVisible(FOptions & dgTitles);
    v->verticalHeader()->setVisible(FOptions & dgIndicator);
    v->setShowGrid(FOptions & (dgColLines | dgRowLines));
    v->horizontalHeader()->setSectionResizeMode(
        (FOptions & dgColumnResize) ? QHeaderView::Interactive : QHeaderView::Fixed);
    v->setSelectionBehavior((FOptions & dgRowSelect) ? QAbstractItemView::SelectRows
                                                     : QAbstractItemView::SelectItems);
    v->setTabKeyNavigation(FOptions & dgTabs);
    v->setEditTriggers((FOptions & dgEditing) && !FReadOnly
                           ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::AnyKeyPressed
                           : QAbstractItemView::NoEditTriggers);
    QPalette pal = v->palette();
    pal.setColor(QPalette::Button, ToQColor(FixedColor));
    v->horizontalHeader()->setPalette(pal);
    FImpl->UpdateFrozen();
}

void TDBGrid::SetTitleHint(const std::string& hint) {
    FTitleHint = hint;
    if (FImpl->header) FImpl->header->setToolTip(Q(hint));
    if (FImpl->frozen) FImpl->frozen->horizontalHeader()->setToolTip(Q(hint));
}

int TDBGrid::FixedColumns() const {
    return std::clamp(FFixedColumns, 0, std::max(ColumnCount() - 1, 0));
}

void TDBGrid::SetFixedColumns(int n) {
    FFixedColumns = std::max(n, 0);
    FImpl->UpdateFrozen();
    if (FImpl->view) FImpl->view->viewport()->update();
}

// ---- columns ------------------------------------------------------------------------------

void TDBGrid::BuildColumns() {
    FColumns.clear();
    TDataSet* ds = DataSet();
    if (!ds) return;
    const QFontMetrics fm = FImpl->view ? FImpl->view->fontMetrics() : QFontMetrics(QFont());
    for (int i = 0; i < ds->FieldCount(); ++i) {
        TField* f = ds->Fields()[i];
        if (!f->Visible) continue;
        TColumn c;
        c.FieldName = f->FieldName();
        c.Field = f;
        c.TitleCaption = f->DisplayName();
        const TFieldType t = f->DataType();
        const bool number = t == ftInteger || t == ftLargeint || t == ftFloat;
        c.Alignment = number ? taRightJustify : taLeftJustify;
        int chars = f->DisplayWidth > 0 ? f->DisplayWidth : f->Size();
        if (t == ftDate) chars = 10;
        if (t == ftBoolean) chars = 3;
        if (t == ftMemo || t == ftBlob) chars = 8;
        chars = std::clamp(chars, 3, 40);
        const int title = fm.horizontalAdvance(Q(c.TitleCaption)) + 10;
        c.Width = std::max(fm.horizontalAdvance(QString(chars, QChar('0'))) + 8, title);
        FColumns.push_back(std::move(c));
    }
    FColumnsCustomized = false;
    if (FDepressed >= ColumnCount()) FDepressed = -1;
    FSelectedIndex = std::clamp(FSelectedIndex, 0, std::max(ColumnCount() - 1, 0));
}

void TDBGrid::MoveColumn(int from, int to) {
    const int n = ColumnCount();
    if (from < 0 || from >= n || to < 0 || to >= n || from == to) return;
    TColumn c = std::move(FColumns[static_cast<std::size_t>(from)]);
    FColumns.erase(FColumns.begin() + from);
    FColumns.insert(FColumns.begin() + to, std::move(c));
    FColumnsCustomized = true;
    if (FDepressed == from) {
        FDepressed = to;
    } else if (from < FDepressed && to >= FDepressed) {
        --FDepressed;
    } else if (from > FDepressed && to <= FDepressed && FDepressed >= 0) {
        ++FDepressed;
    }
    FCache.clear();
    DataChanged(kLayout + 100);
}

void TDBGrid::SetSelectedIndex(int column) {
    if (column < 0 || column >= ColumnCount()) return;
    FSelectedIndex = column;
    if (Impl::View* v = FImpl->view; v && FImpl->currentKnown && FImpl->currentRow >= 0) {
        v->FSyncing = true;
        v->setCurrentIndex(FImpl->model->index(FImpl->currentRow, column));
        v->FSyncing = false;
    }
}

TField* TDBGrid::SelectedField() const {
    if (FSelectedIndex < 0 || FSelectedIndex >= ColumnCount()) return nullptr;
    return FColumns[static_cast<std::size_t>(FSelectedIndex)].Field;
}

bool TDBGrid::IsBooleanColumn(int column, std::string* trueText, std::string* falseText) const {
    if (column < 0 || column >= ColumnCount()) return false;
    auto* f = dynamic_cast<TBooleanField*>(FColumns[static_cast<std::size_t>(column)].Field);
    if (!f) return false;
    const std::string& values = f->DisplayValues();
    std::string yes = "True", no = "False";
    if (!values.empty()) {
        const std::size_t semi = values.find(';');
        yes = values.substr(0, semi);
        no = semi == std::string::npos ? std::string() : values.substr(semi + 1);
    }
    if (trueText) *trueText = yes;
    if (falseText) *falseText = no;
    return true;
}

// ---- depressed title --------------------------------------------------------------------------

void TDBGrid::SetDepressDisabled(bool on) {
    if (on && !FDepressDisabled) ClearDepressedTitle();
    FDepressDisabled = on;
}

void TDBGrid::DepressTitle(int column) {
    if (FDepressDisabled || column < 0 || column >= ColumnCount()) return;
    FDepressed = column;
    if (FImpl->header) FImpl->header->viewport()->update();
    FireEvent(OnDepressTitle, this, column);
}

void TDBGrid::ClearDepressedTitle() {
    if (FDepressDisabled) return;
    FDepressed = -1;
    if (FImpl->header) FImpl->header->viewport()->update();
}

void TDBGrid::TitleMouseUp(int column, TMouseButton button, TShiftState shift) {
    if (!(FOptions & dgTitles) || (shift & ssShift)) return;
    if (column < 0) {
        FireEvent(button == mbRight ? OnCornerRightClick : OnCornerLeftClick, this);
        return;
    }
    if (button == mbRight && !FDepressDisabled) DepressTitle(column);
}

// ---- rows ---------------------------------------------------------------------------------

void TDBGrid::ResetRows() {
    FRows.Reset(DataSet());
    FCache.clear();
    FImpl->currentKnown = false;
}

int TDBGrid::RowCount() {
    TDataSet* ds = DataSet();
    if (!ds) return 0;
    // A new record shows as one more row at the end.
    return FRows.Count() + (ds->State() == dsInsert ? 1 : 0);
}

int TDBGrid::CurrentRow() {
    TDataSet* ds = DataSet();
    if (!ds || ds->IsEmpty()) return -1;
    if (ds->State() == dsInsert) return FRows.Count();
    if (!FImpl->currentKnown) {
        FImpl->currentRow = FRows.RowOf(ds->GetBookmark());
        FImpl->currentKnown = true;
    }
    return FImpl->currentRow;
}

const TDBGrid::CachedRow* TDBGrid::Cached(int row) {
    for (auto it = FCache.rbegin(); it != FCache.rend(); ++it)
        if (it->first == row) return &it->second;
    TDataSet* ds = DataSet();
    const TBookmark* b = FRows.At(row);
    if (FRows.CountChanged() && FImpl->model)
        QTimer::singleShot(0, FImpl->view, [this] { FImpl->model->Sync(); });
    if (!ds || !b) return nullptr;
    CachedRow r;
    try {
        if (!ds->BeginDisplayRecord(*b)) return nullptr;
        r.Texts.reserve(FColumns.size());
        for (const TColumn& c : FColumns)
            r.Texts.push_back(c.Field ? c.Field->DisplayText() : "");
        r.Deleted = DisplayedRecordDeleted();
        ds->EndDisplayRecord();
    } catch (const std::exception& e) {
        ds->EndDisplayRecord();
        return nullptr;
    }
    if (FCache.size() >= kCacheRows) FCache.erase(FCache.begin(), FCache.begin() + kCacheRows / 2);
    FCache.emplace_back(row, std::move(r));
    return &FCache.back().second;
}

std::string TDBGrid::CellText(int row, int column) {
    TDataSet* ds = DataSet();
    if (!ds || column < 0 || column >= ColumnCount()) return {};
    // The record being edited shows its edit buffer.
    if (EditState(ds->State()) && row == CurrentRow()) {
        TField* f = FColumns[static_cast<std::size_t>(column)].Field;
        try {
            return f ? f->DisplayText() : std::string();
        } catch (const std::exception&) {
            return {};
        }
    }
    const CachedRow* r = Cached(row);
    return r ? r->Texts[static_cast<std::size_t>(column)] : std::string();
}

bool TDBGrid::RowDeleted(int row) {
    TDataSet* ds = DataSet();
    if (!ds) return false;
    if (EditState(ds->State()) && row == CurrentRow()) return CurrentRecordDeleted();
    const CachedRow* r = Cached(row);
    return r && r->Deleted;
}

TGridColors TDBGrid::CellColors(int row, int column, bool selected, bool& deleted) {
    TGridColors c{FixedColor,      clWindow, clWindowText, clHighlight,
                  clHighlightText, clRed,    Font().Color};
    if (column >= 0 && column < ColumnCount()) {
        c.CellColor = FColumns[static_cast<std::size_t>(column)].Color;
        c.CellTextColor = FColumns[static_cast<std::size_t>(column)].FontColor;
    }
    if (DefaultDrawing && OnChangeColorsEvent) {
        TDataSet* ds = DataSet();
        const TBookmark* b = ds ? FRows.At(row) : nullptr;
        // The event reads the row's record through the fields.
        const bool shown =
            b && !(EditState(ds->State()) && row == CurrentRow()) && ds->BeginDisplayRecord(*b);
        try {
            OnChangeColorsEvent(this, row, c);
        } catch (...) {
            if (shown) ds->EndDisplayRecord();
            throw;
        }
        if (shown) ds->EndDisplayRecord();
    }
    deleted = RowDeleted(row);
    TGridColors out = c;
    if (column >= 0 && column < FixedColumns()) {
        out.CellColor = FixedColor;
        out.CellTextColor = Font().Color;
    }
    if (deleted) {
        out.CellColor = c.DeletedColor;
        out.CellTextColor = c.DeletedTextColor;
    }
    if (selected) {
        out.CellColor = c.HiliteColor;
        out.CellTextColor = c.HiliteTextColor;
    }
    return out;
}

void TDBGrid::DrawCellEvents(const TRect& rect, int row, int column, TGridDrawState state) {
    TDataSet* ds = DataSet();
    if (!ds || column < 0 || column >= ColumnCount() || (!OnDrawDataCell && !OnDrawColumnCell))
        return;
    TColumn& col = FColumns[static_cast<std::size_t>(column)];
    // The handlers read the cell's record through the fields, as the grid drew it.
    const TBookmark* b = FRows.At(row);
    const bool shown =
        b && !(EditState(ds->State()) && row == CurrentRow()) && ds->BeginDisplayRecord(*b);
    try {
        if (!FColumnsCustomized && OnDrawDataCell) OnDrawDataCell(this, rect, col.Field, state);
        if (OnDrawColumnCell) OnDrawColumnCell(this, rect, column, col, state);
    } catch (...) {
        if (shown) ds->EndDisplayRecord();
        throw;
    }
    if (shown) ds->EndDisplayRecord();
}

std::string TDBGrid::ColumnEditMask(int column) {
    if (column < 0 || column >= ColumnCount()) return {};
    TField* f = FColumns[static_cast<std::size_t>(column)].Field;
    if (!f || f->DataType() != ftDate || !DataSet()) return {};
    return DateEditMask();
}

int TDBGrid::TopRow() const {
    if (!FImpl->view) return 0;
    return std::max(FImpl->view->rowAt(0), 0);
}

void TDBGrid::ScrollToRow(int row) {
    if (!FImpl->view || row < 0) return;
    FImpl->view->scrollTo(FImpl->model->index(row, std::max(FSelectedIndex, 0)));
}

// ---- data events ------------------------------------------------------------------------------

void TDBGrid::DataChanged(int what) {
    TDataSet* ds = DataSet();
    switch (what) {
    case kActive:
    case kLayout:
        BuildColumns();
        ResetRows();
        break;
    case kDataSet:
        ResetRows();
        break;
    case kScrolled:
        FImpl->currentKnown = false;
        break;
    case kEditing:
        FImpl->currentKnown = false;
        // Edit or Insert from elsewhere (the navigator): the current cell opens for typing.
        if (ds && EditState(ds->State()) && !FImpl->committing) FImpl->OpenEditorLater();
        if (ds && !EditState(ds->State()) && !FImpl->committing) FImpl->DropEditor();
        if (ds && !EditState(ds->State())) FImpl->editedColumn = FImpl->refusedColumn = -1;
        break;
    case kRecord: {
        // The current record changed: its row is decoded again.
        FImpl->currentKnown = false;
        const int row = CurrentRow();
        std::erase_if(FCache, [row](const auto& e) { return e.first == row; });
        break;
    }
    default:
        break;
    }
    Impl::Model* m = FImpl->model;
    if (!m) return;
    if (what == kActive || what == kLayout || what == kLayout + 100) {
        for (int i = 0; i < ColumnCount(); ++i)
            FImpl->view->setColumnWidth(i, FColumns[static_cast<std::size_t>(i)].Width);
    }
    m->Sync();
    if (what == kActive || what == kLayout) {
        for (int i = 0; i < ColumnCount(); ++i)
            FImpl->view->setColumnWidth(i, FColumns[static_cast<std::size_t>(i)].Width);
    }
    if (what == kActive || what == kLayout || what == kLayout + 100) FImpl->UpdateFrozen();
    if (!ds) return;
    const int row = CurrentRow();
    Impl::View* v = FImpl->view;
    if (row >= 0) {
        v->FSyncing = true;
        v->setCurrentIndex(
            m->index(row, std::clamp(FSelectedIndex, 0, std::max(ColumnCount() - 1, 0))));
        v->FSyncing = false;
    }
    v->viewport()->update();
    v->verticalHeader()->viewport()->update();
}

bool TDBGrid::EnsureCurrent(int row) {
    TDataSet* ds = DataSet();
    if (!ds) return false;
    if (row == CurrentRow()) return true;
    const TBookmark* b = FRows.At(row);
    if (!b) return false;
    const TBookmark target = *b;
    try {
        ds->CheckBrowseMode();
        ds->GotoBookmark(target);
    } catch (const std::exception& e) {
        ds->HandleException(e);
        DataChanged(kScrolled);
        if (EditState(ds->State())) FImpl->BackToEditedCell();
        return false;
    }
    return CurrentRow() == row;
}

void TDBGrid::RowPicked(int row) {
    TDataSet* ds = DataSet();
    if (!ds) return;
    if (ds->State() == dsInsert && row == FRows.Count()) return;
    EnsureCurrent(row);
}

void TDBGrid::CommitCell(int row, int column, const std::string& text) {
    TDataSet* ds = DataSet();
    if (!ds || !CanEditColumn(column) || !EnsureCurrent(row)) return;
    if (FImpl->Refused(row, column, text, true)) return;
    FImpl->committing = true;
    try {
        if (FImpl->link.Edit()) {
            FColumns[static_cast<std::size_t>(column)].Field->SetText(text);
            FImpl->editedColumn = column;
            if (column == FImpl->refusedColumn) FImpl->refusedColumn = -1;
        }
    } catch (const std::exception& e) {
        ds->HandleException(e);
    }
    FImpl->committing = false;
}

void TDBGrid::BackToEdit() {
    TDataSet* ds = DataSet();
    if (ds != nullptr && EditState(ds->State())) FImpl->BackToEditedCell();
}

bool TDBGrid::TypeCell(const std::string& text) {
    const int row = CurrentRow();
    if (row < 0 || !CanEditColumn(FSelectedIndex)) return false;
    CommitCell(row, FSelectedIndex, text);
    return true;
}

void TDBGrid::ToggleField(int row, int column) {
    std::string yes, no;
    if (!IsBooleanColumn(column, &yes, &no) || FReadOnly || !(FOptions & dgEditing)) return;
    TDataSet* ds = DataSet();
    TField* f = FColumns[static_cast<std::size_t>(column)].Field;
    if (!ds || !f->CanModify() || FColumns[static_cast<std::size_t>(column)].ReadOnly) return;
    if (!EnsureCurrent(row)) return;
    FImpl->committing = true;
    try {
        if (FImpl->link.Edit()) {
            const bool isTrue = Q(f->DisplayText()).toLower() == Q(yes).toLower();
            f->SetText(isTrue ? no : yes);
            FImpl->editedColumn = column;
        }
    } catch (const std::exception& e) {
        ds->HandleException(e);
    }
    FImpl->committing = false;
}

void TDBGrid::ClickCell(int row, int column, TMouseButton button) {
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount()) return;
    if (Impl::View* v = FImpl->view) {
        v->setCurrentIndex(FImpl->model->index(row, column));
    } else {
        FSelectedIndex = column;
        RowPicked(row);
    }
    if (button == mbLeft) {
        ToggleField(row, column);
        FireEvent(OnCellClick, this, column);
    }
}

bool TDBGrid::ConfirmRestore() {
    if (!(FOptions & dgConfirmDelete)) return true;
    return MessageBox("Restore Record ?", "Confirm", MB_OKCANCEL | MB_ICONQUESTION) != IDCANCEL;
}

bool TDBGrid::HandleKey(std::uint16_t key, TShiftState shift) {
    TDataSet* ds = DataSet();
    if (!ds) return false;
    try {
        if (key == VK_DELETE && (shift & ssCtrl)) {
            if (FReadOnly || !CurrentRecordDeleted()) return false;
            if (ConfirmRestore()) RestoreCurrentRecord();
            return true;
        }
        const int row = CurrentRow();
        const bool last = row >= 0 && row == RowCount() - 1;
        if (key == VK_DOWN && !(shift & (ssCtrl | ssShift | ssAlt))) {
            if (ds->State() == dsInsert) {
                // Leaving the new row posts it, as leaving any edited row does.
                ds->CheckBrowseMode();
                return true;
            }
            if (last || ds->IsEmpty()) {
                if (AutoAppend && !FReadOnly && (FOptions & dgEditing) && ds->CanModify())
                    ds->Append();
                return true;
            }
            EnsureCurrent(row + 1);
            return true;
        }
        if (key == VK_UP && !(shift & (ssCtrl | ssShift | ssAlt))) {
            if (ds->State() == dsInsert) {
                ds->Cancel();
                return true;
            }
            if (row > 0) EnsureCurrent(row - 1);
            return true;
        }
        if (key == VK_ESCAPE && EditState(ds->State())) {
            ds->Cancel();
            return true;
        }
    } catch (const std::exception& e) {
        ds->HandleException(e);
        return true;
    }
    return false;
}

bool TDBGrid::HandleChar(char c) {
    if (!IsBooleanColumn(FSelectedIndex) || FBooleanBox == bbText) return false;
    if (c == ' ' || c == '\r') {
        ToggleField(CurrentRow(), FSelectedIndex);
        return true;
    }
    // Other printable characters and Backspace do nothing in a logical column.
    return c == '\b' || static_cast<unsigned char>(c) >= 32;
}

void TDBGrid::PressKey(std::uint16_t key, TShiftState shift) {
    std::uint16_t k = key;
    if (OnKeyDown) {
        OnKeyDown(this, k, shift);
        if (k == 0) return;
    }
    if (HandleKey(k, shift)) return;
    const char c = key == VK_RETURN             ? '\r'
                   : key == VK_SPACE            ? ' '
                   : (key >= 'A' && key <= 'Z') ? char(key)
                                                : 0;
    if (c) HandleChar(c);
}
