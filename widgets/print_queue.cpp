#include "widgets/print_queue.h"

#include <cups/cups.h>

#include <QFile>

namespace widgets {
namespace {

// The queue's refusal in the staff's words; CUPS's own text where there are none.
QString RefusalReason(ipp_status_t status) {
    switch (status) {
        case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
            return QStringLiteral("打印机暂停接收新的打印任务");
        case IPP_STATUS_ERROR_NOT_FOUND:
            return QStringLiteral("找不到这台打印机");
        case IPP_STATUS_ERROR_FORBIDDEN:
        case IPP_STATUS_ERROR_NOT_AUTHORIZED:
        case IPP_STATUS_ERROR_NOT_POSSIBLE:
            return QStringLiteral("没有使用这台打印机的权限");
        case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
        case IPP_STATUS_ERROR_INTERNAL:
            return QStringLiteral("无法连接打印服务");
        default:
            break;
    }
    const QString text = QString::fromUtf8(cupsLastErrorString());
    return text.isEmpty() ? QStringLiteral("打印服务错误%1").arg(int(status)) : text;
}

}  // namespace

QueueAnswer SubmitToPrintQueue(const QString& printer, const QString& pdfFile,
                               const QString& jobName) {
    QueueAnswer answer;
    const QByteArray queue = printer.section(QLatin1Char('/'), 0, 0).toUtf8();
    const QByteArray instance = printer.section(QLatin1Char('/'), 1).toUtf8();
    // The queue's (or instance's) own defaults, as set with lpoptions, then A4 as painted.
    int count = 0;
    cups_option_t* options = nullptr;
    if (cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.constData(),
                                             instance.isEmpty() ? nullptr : instance.constData())) {
        for (int i = 0; i < dest->num_options; ++i)
            count = cupsAddOption(dest->options[i].name, dest->options[i].value, count, &options);
        cupsFreeDests(1, dest);
    }
    count = cupsAddOption("media", "A4", count, &options);
    answer.jobId =
        cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.constData(), QFile::encodeName(pdfFile).constData(),
                       jobName.toUtf8().constData(), count, options);
    cupsFreeOptions(count, options);
    if (answer.jobId <= 0) {
        answer.jobId = 0;
        answer.reason = RefusalReason(cupsLastError());
    }
    return answer;
}

}  // namespace widgets
