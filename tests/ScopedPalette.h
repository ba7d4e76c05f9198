#pragma once

#include <QGuiApplication>
#include <QPalette>

// Puts a palette on the application for one test and takes the old one back.
class ScopedApplicationPalette
{
public:
    explicit ScopedApplicationPalette(const QPalette &palette) : m_old(QGuiApplication::palette())
    {
        QGuiApplication::setPalette(palette);
    }
    ~ScopedApplicationPalette() { QGuiApplication::setPalette(m_old); }

private:
    QPalette m_old;
};
