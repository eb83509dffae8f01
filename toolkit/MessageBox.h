#pragma once
// Every message box of the tool goes through here: OK boxes, and Yes/No
// questions with a question icon and a default button. The caption is the
// application's name unless one is given. Call on the UI thread only. Tests
// install a handler that answers and records.

#include <QCoreApplication>
#include <QString>

class QWidget;

class CMessageBox {
    Q_DECLARE_TR_FUNCTIONS(CMessageBox)

public:
    enum class Buttons { Ok, YesNo };
    enum class Icon { None, Information, Question, Warning, Critical };
    enum class Answer { Ok, Yes, No };

    struct Request {
        QString text;
        QString caption;  // already resolved (application name when none was given)
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        Answer defaultAnswer = Answer::Ok;
    };

    // A test double: answers instead of showing a window.
    class IHandler {
    public:
        virtual ~IHandler() = default;
        virtual Answer Handle(const Request& request) = 0;
    };

    static QString ApplicationName();  // "ZORIC_Demo"

    // An OK box with no icon (as the tool shows results and errors).
    static void Ok(QWidget* parent, const QString& text, const QString& caption = QString());
    // A Yes/No question with the question icon; true when answered Yes.
    static bool YesNo(QWidget* parent, const QString& text, const QString& caption = QString(),
                      Answer defaultAnswer = Answer::Yes);
    static Answer Show(QWidget* parent, const Request& request);

    // nullptr restores the real QMessageBox. Not owned.
    static void SetHandler(IHandler* handler);
};
