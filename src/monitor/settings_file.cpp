// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_file.h"

#include "log_file.h"
#include "records.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

namespace monitor {

namespace {

// The program's file description: it has none, so the header record holds an empty string.
const QString kFileDescription;

// The controls that are saved, in the window's order.
QList<QWidget*> savedControls(const QWidget& window) {
    QList<QWidget*> controls;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const bool saved = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w) ||
                           qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QListWidget*>(w);
        if (saved && !w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
            controls << w;
    }
    return controls;
}

QVariant arrayIndex(const QWidget* control) {
    const QVariant index = control->property("index");
    return index.isValid() ? QVariant(index.toDouble()) : QVariant();
}

} // namespace

bool SaveFormData(const QWidget& window, const QString& path, QString& error) {
    RecordWriter out;
    out.write({kFileDescription});
    for (const QWidget* control : savedControls(window)) {
        out.print(control->objectName());
        if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
            out.write({box->checkState() == Qt::Checked     ? 1.0
                       : box->checkState() == Qt::Unchecked ? 0.0
                                                            : 2.0});
        } else if (const auto* option = qobject_cast<const QRadioButton*>(control)) {
            out.write({option->isChecked()});
        } else if (const auto* text = qobject_cast<const QLineEdit*>(control)) {
            out.write({text->text()});
        } else if (const auto* combo = qobject_cast<const QComboBox*>(control)) {
            out.write({double(combo->currentIndex())});
        } else if (const auto* list = qobject_cast<const QListWidget*>(control)) {
            out.write({double(list->currentRow())});
        }
        out.write({arrayIndex(control)});
        if (const auto* list = qobject_cast<const QListWidget*>(control)) {
            out.write({double(list->count())});
            for (int i = 0; i < list->count(); ++i)
                out.write({list->item(i)->text()});
        }
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeWholeFile(path, out.bytes(), error);
}

bool LoadFormData(QWidget& window, const QString& path, core::Prompter& prompter) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    RecordReader in(file.readAll());
    const std::optional<QVariant> header = in.next();
    if (!header || header->typeId() != QMetaType::QString ||
        header->toString() != kFileDescription) {
        prompter.message(
            {QStringLiteral("File is not a ") + kFileDescription + QStringLiteral(" Data File"),
             QStringLiteral("Error reading file"), core::Prompter::Icon::Warning});
        return true;
    }
    const QList<QWidget*> controls = savedControls(window);
    for (;;) {
        const std::optional<QVariant> name = in.next();
        const std::optional<QVariant> value = in.next();
        const std::optional<QVariant> index = in.next();
        if (!name || !value || !index)
            break;
        QWidget* control = nullptr;
        for (QWidget* c : controls) {
            const QVariant own = arrayIndex(c);
            if (c->objectName() == name->toString() &&
                (!own.isValid() || (index->isValid() && own.toInt() == index->toInt()))) {
                control = c;
                break;
            }
        }
        if (auto* list = qobject_cast<QListWidget*>(control)) {
            const int count = in.next().value_or(QVariant()).toInt();
            list->clear();
            for (int i = 0; i < count; ++i)
                list->addItem(in.next().value_or(QVariant()).toString());
            list->setCurrentRow(value->toInt());
        } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
            box->setCheckState(value->toInt() == 1   ? Qt::Checked
                               : value->toInt() == 2 ? Qt::PartiallyChecked
                                                     : Qt::Unchecked);
        } else if (auto* option = qobject_cast<QRadioButton*>(control)) {
            option->setChecked(value->toBool());
        } else if (auto* text = qobject_cast<QLineEdit*>(control)) {
            text->setText(value->toString());
        } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
            combo->setCurrentIndex(value->toInt());
        }
    }
    return false;
}

} // namespace monitor
