#include "dialogprobe.h"

#include "modalanswerer.h"

#include <QApplication>
#include <QLabel>
#include <QTextDocument>

DialogProbe::DialogProbe(QObject *parent)
    : QObject(parent)
{}

DialogProbe::~DialogProbe() = default;

void DialogProbe::answerWith(int button, bool tickCheckBox)
{
    m_answerer = std::make_unique<ModalAnswerer>();
    m_answerer->setAnswer(QMessageBox::StandardButton(button));
    m_answerer->setTickCheckBox(tickCheckBox);
}

void DialogProbe::stopAnswering()
{
    m_answerer.reset();
}

QVariantList DialogProbe::answeredBoxes() const
{
    QVariantList result;
    if (!m_answerer)
        return result;
    const QList<ModalAnswerer::Box> boxes = m_answerer->boxes();
    for (const ModalAnswerer::Box &box : boxes) {
        result.append(QVariantMap{{QStringLiteral("text"), box.text},
                                  {QStringLiteral("buttons"), int(box.buttons)},
                                  {QStringLiteral("checkBoxVisible"), box.checkBoxVisible}});
    }
    return result;
}

// Rendered as QLabel does: rich text when the format says so or, for
// Qt::AutoText, when the text looks like HTML.
QStringList DialogProbe::shownMessageBoxTexts() const
{
    QStringList result;
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        auto box = qobject_cast<QMessageBox *>(widget);
        if (!box || !box->isVisible())
            continue;
        auto label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        const QString text = label ? label->text() : box->text();
        const Qt::TextFormat format = label ? label->textFormat() : box->textFormat();
        if (format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text))) {
            QTextDocument document;
            document.setHtml(text);
            result.append(document.toPlainText());
        } else {
            result.append(text);
        }
    }
    return result;
}
