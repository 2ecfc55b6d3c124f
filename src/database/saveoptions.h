#pragma once

#include <QString>

#include <chrono>
#include <functional>

// How a save meets another run that saves to the same database, and whom it tells what it
// found there.
struct SaveOptions {
    // How long a save waits for another run that holds the database's lock before it fails
    // ("another run is saving to it").
    std::chrono::milliseconds rivalWait { 0 };
    // Told, as it happens, that the save waits for another run, and what an earlier save
    // that was stopped left beside the database and what became of it. May be empty.
    std::function<void(const QString &)> tell;
};
