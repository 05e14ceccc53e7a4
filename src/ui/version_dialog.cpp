#include "ui/version_dialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "catalogue/version_listing.h"
#include "ui/form_kit.h"
#include "ui/forms.h"

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
  Form4 = this;
  // Left open, it must not keep the program running once the main window has closed.
  setAttribute(Qt::WA_QuitOnClose, false);
  setWindowTitle(QStringLiteral("Version .."));
  setFont(UiFont(12));
  resize(520, 300);

  ListBox1 = new QListWidget(this);
  QFont mono(QStringLiteral("Monospace"));
  mono.setStyleHint(QFont::TypeWriter);
  mono.setFixedPitch(true);
  mono.setPixelSize(11);
  ListBox1->setFont(mono);
  ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);

  Button1 = new QPushButton(QStringLiteral("&Ok"), this);
  connect(Button1, &QPushButton::clicked, this, &TForm4::Button1Click);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ListBox1, 1);
  layout->addLayout(buttons);
}

TForm4::~TForm4() {
  if (Form4 == this) Form4 = nullptr;
}

void TForm4::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) FormShow();
  QDialog::showEvent(event);
}

void TForm4::FormShow() {
  ListBox1->clear();
  for (const std::string& line : VersionListing()) ListBox1->addItem(UiText(line.c_str()));
}

void TForm4::Button1Click() { close(); }
