#include "ui/widgets/UAEdit.h"

#include "core/text/HalfWidthKana.h"
#include "core/text/SingleLineText.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace ruvo {

Qt::Alignment TUAEdit::TextAlignment(TAlignment value, bool rightToLeft) {
    // Rows: reading order; columns: taLeftJustify, taRightJustify, taCenter.
    static constexpr Qt::AlignmentFlag kTable[2][3] = {
        {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter},
        {Qt::AlignRight, Qt::AlignLeft, Qt::AlignHCenter},
    };
    const int column = value <= taCenter ? value : taLeftJustify;
    // Absolute: the table has already decided left and right; Qt must not
    // mirror them again.
    return kTable[rightToLeft ? 1 : 0][column] | Qt::AlignAbsolute | Qt::AlignVCenter;
}

void TUAEdit::SetAlignment(TAlignment value) {
    if (value == alignment_)
        return;
    alignment_ = value;
    ApplyAlignment();
    emit AlignmentChanged();
}

void TUAEdit::ApplyAlignment() {
    setAlignment(TextAlignment(alignment_, layoutDirection() == Qt::RightToLeft));
}

namespace {

QString OneLine(const QString& text) {
    return QString::fromStdU32String(SingleLineText(text.toStdU32String()));
}

QString HalfWidthKana(const QString& text) {
    return QString::fromStdU32String(ToHalfWidthKana(text.toStdU32String()));
}

} // namespace

void TUAEdit::SetImeMode(TImeMode mode) {
    imeMode_ = mode;
    setAttribute(Qt::WA_InputMethodEnabled, mode != imClose);
    setInputMethodHints(mode == imClose   ? Qt::ImhPreferNumbers | Qt::ImhLatinOnly
                        : mode == imSKata ? Qt::ImhNoPredictiveText
                                          : Qt::ImhNone);
    // The platform asks a box only when it gets the focus.
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled | Qt::ImHints);
}

bool TUAEdit::AcceptsInputMethod() const {
    return imeMode_ != imClose && isEnabled() && !isReadOnly();
}

QVariant TUAEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImEnabled)
        return AcceptsInputMethod();
    return QLineEdit::inputMethodQuery(query);
}

bool TUAEdit::event(QEvent* event) {
    const bool handled = QLineEdit::event(event);
    // QLineEdit answers this query itself, from its own state only.
    if (event->type() == QEvent::InputMethodQuery) {
        auto* query = static_cast<QInputMethodQueryEvent*>(event);
        if (query->queries().testFlag(Qt::ImEnabled))
            query->setValue(Qt::ImEnabled, AcceptsInputMethod());
    }
    return handled;
}

void TUAEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Text being composed shows as the input method sends it; only what it
    // commits enters converted.
    if (imeMode_ != imSKata || event->commitString().isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent converted(event->preeditString(), event->attributes());
    converted.setCommitString(HalfWidthKana(event->commitString()), event->replacementStart(),
                              event->replacementLength());
    QLineEdit::inputMethodEvent(&converted);
    event->setAccepted(converted.isAccepted());
}

void TUAEdit::PasteAsOneLine(QClipboard::Mode mode) {
    if (isReadOnly())
        return;
    const QString text = QGuiApplication::clipboard()->text(mode);
    if (!text.isEmpty() || hasSelectedText())
        insert(OneLine(text));
}

void TUAEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        PasteAsOneLine();
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (imeMode_ == imSKata && !typed.isEmpty() && typed.front().isPrint()) {
        const QString converted = HalfWidthKana(typed);
        if (converted != typed) {
            QKeyEvent key(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                          event->nativeVirtualKey(), event->nativeModifiers(), converted,
                          event->isAutoRepeat(), static_cast<quint16>(event->count()));
            QLineEdit::keyPressEvent(&key);
            event->setAccepted(key.isAccepted());
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TUAEdit::mouseReleaseEvent(QMouseEvent* event) {
    // The middle button pastes the X11 selection.
    if (event->button() == Qt::MiddleButton && !isReadOnly() &&
        QGuiApplication::clipboard()->supportsSelection()) {
        deselect();
        PasteAsOneLine(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TUAEdit::contextMenuEvent(QContextMenuEvent* event) {
    const std::unique_ptr<QMenu> menu(createStandardContextMenu());
    // The menu's paste runs Qt's own slot; it is given ours instead. Qt
    // names the action with this same translated text.
    const QString pasteText = QLineEdit::tr("&Paste");
    for (QAction* action : menu->actions()) {
        if (action->text().section(u'\t', 0, 0) == pasteText) {
            action->disconnect(this);
            connect(action, &QAction::triggered, this, [this] { PasteAsOneLine(); });
        }
    }
    menu->exec(event->globalPos());
}

namespace {

// A file dragged from a file manager also carries its address as text; a
// box takes text, never the address of a file.
bool CarriesFiles(const QMimeData* data) {
    if (!data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

} // namespace

void TUAEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (CarriesFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void TUAEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (CarriesFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    QLineEdit::dragMoveEvent(event);
}

void TUAEdit::dropEvent(QDropEvent* event) {
    if (CarriesFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    if (!event->mimeData()->hasText()) {
        QLineEdit::dropEvent(event);
        return;
    }
    QMimeData oneLine;
    oneLine.setText(OneLine(event->mimeData()->text()));
    QDropEvent copy(event->position(), event->possibleActions(), &oneLine, event->buttons(),
                    event->modifiers(), event->type());
    copy.setDropAction(event->dropAction());
    QLineEdit::dropEvent(&copy);
    event->setDropAction(copy.dropAction());
    event->setAccepted(copy.isAccepted());
}

void TUAEdit::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LayoutDirectionChange)
        ApplyAlignment();
    QLineEdit::changeEvent(event);
}

} // namespace ruvo
