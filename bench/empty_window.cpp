// tamblinor-bench-empty-window [--text]: the baselines of the start-up time. Plain, a bare
// Qt window with nothing in it. With --text, the same window showing nothing but Label1's
// caption, in Label1's place and in the family and size the window draws it with here:
// what any window pays to show that text at all (the font set-up, one font, shaping and
// drawing its glyphs).

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(640, 480);
    if (QApplication::arguments().contains(QStringLiteral("--text"))) {
        auto* label = new QLabel(
            QStringLiteral(
                "说明：先在下面\"生日栏\"内输入宝宝的生日，再点击\"改名\"键，将自动把左边列表框中的"
                "照片按照拍摄时间和宝宝生日的差的时间批量重命名。   "
                "如\"x岁x月x天(x点x分x秒).jpg\"。"
                "可单选，多选或全部改名。"),
            &window);
        QFont font(QStringLiteral("WenQuanYi Micro Hei"));
        font.setPointSizeF(8.25);
        label->setFont(font);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(472, 72, 103, 161);
    }
    window.show();
    return app.exec();
}
