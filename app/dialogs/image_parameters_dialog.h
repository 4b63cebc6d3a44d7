#pragma once
// The modal "Image Parameters" sheet: the image's 18 describing fields in
// three groups, filled once when the dialog is made. OK is its only button.

#include <QDialog>
#include <string>

class CImage;
class QLabel;

class CImageParametersDialog : public QDialog {
    Q_OBJECT
public:
    CImageParametersDialog(QWidget* parent, const CImage& image, const std::string& documentTitle);

    // The value field of one row, 0 ("Image Name:") to 17 ("Tracking: ").
    QLabel* ValueField(int row) const;
};

// Shows the sheet modally for the image of a document with the given title.
void ShowImageParameters(QWidget* parent, const CImage& image, const std::string& documentTitle);
