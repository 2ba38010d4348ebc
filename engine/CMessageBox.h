#pragma once
// The small message-box interface through which engine code asks or tells
// the user something. The GUI implements it with QMessageBox; the batch
// front-end and the tests answer it themselves. Called on the GUI thread only.

#include <string>

class CMessageBox {
public:
    enum class EIcon { None, Information, Warning, Error, Question };
    enum class EButtons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class EAnswer { Ok, Cancel, Yes, No };

    virtual ~CMessageBox() = default;
    // Shows strText modally and answers the button the user chose.
    virtual EAnswer ShowMessage(const std::string& strText, EIcon icon, EButtons buttons = EButtons::Ok) = 0;
};
