#include "panels/linehintlabel.h"

namespace tr {

LineHintLabel::LineHintLabel(QWidget *parent) : QLabel(parent) {
    setObjectName(QStringLiteral("lblLineHint"));
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setStyleSheet(QStringLiteral("QLabel { background: #fff4c2; border: 1px solid #d9b400; "
                                 "padding: 4px; }"));
    hide();
}

void LineHintLabel::concluded(AnswerStatus status, int exceptionCode) {
    recent_.push_back({status, exceptionCode});
    if (recent_.size() > std::size_t(kHintRequests))
        recent_.erase(recent_.begin());
    update();
}

void LineHintLabel::setPortFailure(const QString &reason) {
    portReason_ = reason;
    update();
}

void LineHintLabel::forget() {
    recent_.clear();
    update();
}

void LineHintLabel::update() {
    const LineHint next = chooseLineHint(recent_, !portReason_.isEmpty());
    const int code = recent_.empty() ? 0 : recent_.back().exceptionCode;
    const QString text = hintText(next, portReason_, code);
    if (next == hint_ && text == this->text())
        return;
    hint_ = next;
    setText(text);
    setVisible(next != LineHint::None);
}

QString LineHintLabel::hintText(LineHint hint, const QString &portReason, int exceptionCode) {
    switch (hint) {
    case LineHint::None:
        break;
    case LineHint::NoAnswer:
        return tr("模块没有应答：请检查设备地址和波特率是否与模块一致、A/B 线是否接反、"
                  "长线两端是否有终端电阻；地址或波特率不明时请用“查找模块”。");
    case LineHint::BadCrc:
        return tr("应答校验错误：波特率或校验方式与模块不一致、线路有干扰，或缺少终端电阻。");
    case LineHint::Short:
        return tr("应答不完整：线路或转换器丢失了字节，请换一个转换器、缩短线路或降低波特率。");
    case LineHint::RegisterCount:
        return tr("模块回应异常码 02：读取的寄存器个数超过模块所有，请减小“数据长度”。");
    case LineHint::Refused:
        return tr("模块回应异常码 %1：模块拒绝了该请求，请检查“功 能 码”（3 或 4）和“超始地址”。")
            .arg(exceptionCode, 2, 10, QLatin1Char('0'));
    case LineHint::PortClosed:
        return tr("串口未打开（%1）：请选择其他串口，或关闭占用它的程序。").arg(portReason);
    }
    return {};
}

} // namespace tr
