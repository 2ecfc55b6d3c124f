#pragma once

#include <QIODevice>

class InputFile;

// Reads an InputFile from its start to its size when opened, at a position of its own: several
// devices over the one file, on several threads, read it side by side without moving each other.
class InputFileDevice : public QIODevice {
public:
    // Open for reading; `file` must outlive the device.
    explicit InputFileDevice(const InputFile &file);

    qint64 size() const override;
    bool seek(qint64 position) override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    const InputFile &m_file;
    qint64 m_offset = 0;
};
