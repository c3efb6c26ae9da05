#pragma once
// Running a program of the build as a process, to its end, as a technician would from a shell.

#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

struct Outcome {
    int exitCode = -1; ///< -1 when the program crashed or did not end
    QString out, err;
};

/// Runs `program` to its end, with `input` on its standard input. `environment` changes the test's own
/// environment: a name with an empty value is removed.
inline Outcome runProgram(const QString &program, const QStringList &arguments,
                          const QMap<QString, QString> &environment = {}, const QByteArray &input = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.begin(); it != environment.end(); ++it) {
        if (it.value().isEmpty())
            env.remove(it.key());
        else
            env.insert(it.key(), it.value());
    }
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    Outcome result;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not end: " << arguments.join(' ').toStdString();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}
