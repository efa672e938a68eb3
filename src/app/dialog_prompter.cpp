// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog_prompter.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSpacerItem>

namespace app {

namespace {
QMessageBox::Icon boxIcon(core::Prompter::Icon icon) {
    switch (icon) {
    case core::Prompter::Icon::Information:
        return QMessageBox::Information;
    case core::Prompter::Icon::Question:
        return QMessageBox::Question;
    case core::Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case core::Prompter::Icon::Stop:
        return QMessageBox::Critical;
    case core::Prompter::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
// A short message would make a box too narrow for its title, which the title bar then cuts off.
void fitTitle(QMessageBox& box) {
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 160;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}
} // namespace

void DialogPrompter::message(const Message& message) {
    QMessageBox box(boxIcon(message.icon), message.title, message.text, QMessageBox::Ok, parent_);
    fitTitle(box);
    box.exec();
}

bool DialogPrompter::ask(const Question& question) {
    QMessageBox box(boxIcon(question.icon), question.title, question.text,
                    QMessageBox::Yes | QMessageBox::No, parent_);
    fitTitle(box);
    box.setDefaultButton(question.defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString DialogPrompter::fileName(const FileRequest& request) {
    QFileDialog dialog(parent_, request.title, {}, request.filter);
    dialog.setAcceptMode(request.forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (request.forSaving) {
        // A name typed without an extension gets the chosen filter's; the dialog then also asks
        // before it replaces a file of that name.
        const auto useSuffixOf = [&dialog](const QString& filter) {
            const QRegularExpressionMatch pattern =
                QRegularExpression(QStringLiteral(R"(\*\.(\w+))")).match(filter);
            dialog.setDefaultSuffix(pattern.hasMatch() ? pattern.captured(1) : QString());
        };
        useSuffixOf(dialog.selectedNameFilter());
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, useSuffixOf);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

std::optional<QString> DialogPrompter::input(const InputRequest& request) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, request.title, request.prompt,
                                               QLineEdit::Normal, request.defaultText, &ok);
    return ok ? std::optional<QString>(text) : std::nullopt;
}

} // namespace app
