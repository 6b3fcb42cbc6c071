#include "error_box.h"

#include <QMessageBox>

#include "talvex/experiment/shell.h"

namespace talvex::app {

namespace {

// Core texts break lines with CR LF; a box shows them with LF alone.
QString BoxText(const std::string& text) {
  QString result = QString::fromStdString(text);
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return result;
}

void RunBox(QMessageBox::Icon icon, const QString& title, const QString& text) {
  QMessageBox box(icon, title, text, QMessageBox::Ok);
  // Messages carry paths made from the rater's ID: never interpret them as markup.
  box.setTextFormat(Qt::PlainText);
  box.setObjectName(QStringLiteral("TalvexMessageBox"));
  box.exec();
}

}  // namespace

bool AskQuestionBox(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(experiment::kApplicationTitle),
                  BoxText(text), QMessageBox::Yes | QMessageBox::No);
  box.setTextFormat(Qt::PlainText);
  box.setObjectName(QStringLiteral("TalvexMessageBox"));
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

QString ErrorBoxText(const std::string& message) {
  return BoxText(experiment::ErrorBoxText(message));
}

void ShowMessageBox(const std::string& text) {
  RunBox(QMessageBox::NoIcon, QString::fromLatin1(experiment::kApplicationTitle), BoxText(text));
}

void ShowErrorBox(const std::string& message) {
  RunBox(QMessageBox::Critical, QString::fromLatin1(experiment::kApplicationTitle),
         ErrorBoxText(message));
}

void ShowApplicationErrorBox(const std::string& message) {
  RunBox(QMessageBox::Critical, QString::fromLatin1(experiment::kApplicationErrorTitle),
         ErrorBoxText(message));
}

}  // namespace talvex::app
