#pragma once

#include <QString>
#include <QWidget>

#include <utility>

// A control of a form, made with its arguments and the form (or a panel of
// it) as parent, named as the form's member of the same name, so that tests
// and scripts find it by that name.
template<typename Control, typename... Arguments>
Control *NewControl(QWidget *parent, const char *name, Arguments &&...arguments)
{
    auto *control = new Control(std::forward<Arguments>(arguments)..., parent);
    control->setObjectName(QString::fromLatin1(name));
    return control;
}
