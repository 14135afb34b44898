// SPDX-License-Identifier: GPL-3.0-or-later
// The command-help window: the commands Galvetta understands, one a line.
#pragma once

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;

namespace galvetta {

class TfrmComandi : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmComandi(QWidget* parent = nullptr);
    static QStringList HelpLines();
    QPlainTextEdit* memo() const { return memo_; }

  private:
    QPlainTextEdit* memo_;
};

} // namespace galvetta
