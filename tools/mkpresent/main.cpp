// mkpresent <outdir> <src.txt>...
//
// Renders each presentation source into <outdir>/<name>.pdf (the source's name without ".txt"):
// landscape A4 slides, a title slide followed by one page per content slide. It runs during the
// build, so it needs no display.
//
// Source format (UTF-8, one statement a line; leading and trailing blanks are ignored):
//   # comment                 lines beginning with '#' are skipped, and so are blank lines
//   title: Text               the presentation's title; required, once, before the first slide
//   subtitle: Text            a line under the title on the title slide; may be repeated
//   footer: Text              the text at the foot of every content slide; optional
//   == Slide title            starts a content slide
//   - Text                    a bullet of the current slide
//   -- Text                   a second-level bullet
//   any other text            a paragraph of the current slide, without a bullet
// A content slide needs at least one item. A slide whose text does not fit even at the smallest
// font size is an error rather than a clipped page.
//
// Exit status: 0 when every PDF was written, 1 on a source or output error, 2 on wrong usage.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

enum class ItemKind
{
    Bullet,
    SubBullet,
    Paragraph
};

struct Item
{
    ItemKind kind;
    QString text;
};

struct Slide
{
    QString title;
    QList<Item> items;
    int line = 0;
};

struct Deck
{
    QString title;
    QStringList subtitle;
    QString footer;
    QList<Slide> slides;
};

void fail(const QString &message)
{
    std::fprintf(stderr, "mkpresent: %s\n", qUtf8Printable(message));
}

// Reads one source; on error reports "file:line: message" and returns nothing.
std::optional<Deck> parseSource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        fail(u"%1: cannot read: %2"_s.arg(path, file.errorString()));
        return std::nullopt;
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);

    Deck deck;
    int lineNo = 0;
    auto error = [&](const QString &what) {
        fail(u"%1:%2: %3"_s.arg(path).arg(lineNo).arg(what));
        return std::nullopt;
    };
    auto value = [](const QString &line, qsizetype keyLength) { return line.mid(keyLength).trimmed(); };

    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNo;
        if (lineNo == 1 && line.startsWith(QChar(0xFEFF)))
            return error(u"byte order mark: save the file as UTF-8 without BOM"_s);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;

        if (line.startsWith(u"title:"_s)) {
            if (!deck.slides.isEmpty())
                return error(u"title: must come before the first slide"_s);
            if (!deck.title.isEmpty())
                return error(u"second title:"_s);
            deck.title = value(line, 6);
            if (deck.title.isEmpty())
                return error(u"empty title"_s);
        } else if (line.startsWith(u"subtitle:"_s)) {
            if (!deck.slides.isEmpty())
                return error(u"subtitle: must come before the first slide"_s);
            deck.subtitle.append(value(line, 9));
        } else if (line.startsWith(u"footer:"_s)) {
            deck.footer = value(line, 7);
        } else if (line.startsWith(u"=="_s)) {
            if (!deck.slides.isEmpty() && deck.slides.last().items.isEmpty())
                return error(u"the previous slide has no text"_s);
            const QString title = value(line, 2);
            if (title.isEmpty())
                return error(u"slide without a title"_s);
            deck.slides.append({title, {}, lineNo});
        } else {
            if (deck.slides.isEmpty())
                return error(u"text before the first slide (start one with \"== Title\")"_s);
            Item item{ItemKind::Paragraph, line};
            if (line.startsWith(u"--"_s))
                item = {ItemKind::SubBullet, value(line, 2)};
            else if (line.startsWith(u'-'))
                item = {ItemKind::Bullet, value(line, 1)};
            if (item.text.isEmpty())
                return error(u"empty bullet"_s);
            deck.slides.last().items.append(item);
        }
    }
    if (deck.title.isEmpty())
        return error(u"no title: line"_s);
    if (deck.slides.isEmpty())
        return error(u"no slides"_s);
    if (deck.slides.last().items.isEmpty()) {
        lineNo = deck.slides.last().line;
        return error(u"slide without text"_s);
    }
    return deck;
}

// Page geometry in points: landscape A4 is 842 x 595.
constexpr qreal PageW = 842;
constexpr qreal PageH = 595;
constexpr qreal Margin = 48;
constexpr qreal HeaderH = 86;
constexpr qreal FooterY = 552;
constexpr qreal BodyTop = HeaderH + 30;
constexpr qreal BodyBottom = FooterY - 14;
constexpr qreal MaxBodyPt = 26;
constexpr qreal MinBodyPt = 12;

const QColor Navy(0x1f, 0x3b, 0x66);
const QColor Accent(0xc8, 0x96, 0x2e);
const QColor Ink(0x1f, 0x2a, 0x3a);
const QColor Grey(0x6b, 0x77, 0x88);
const QColor PaleBlue(0xd0, 0xdd, 0xef);

class Renderer
{
public:
    explicit Renderer(QString family) : m_family(std::move(family)) {}

    bool render(const Deck &deck, const QString &sourcePath, const QString &outPath)
    {
        QPdfWriter writer(outPath);
        writer.setResolution(72); // one device unit is one point
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
        writer.setTitle(deck.title);
        writer.setCreator(u"mkpresent"_s);

        QPainter painter;
        if (!painter.begin(&writer)) {
            fail(u"%1: cannot write"_s.arg(outPath));
            return false;
        }
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);

        const int total = int(deck.slides.size()) + 1;
        drawTitleSlide(painter, deck);
        for (int i = 0; i < deck.slides.size(); ++i) {
            writer.newPage();
            const Slide &slide = deck.slides.at(i);
            if (!drawContentSlide(painter, slide, deck.footer, i + 2, total)) {
                painter.end();
                QFile::remove(outPath);
                fail(u"%1:%2: slide \"%3\" does not fit on a page; shorten or split it"_s.arg(sourcePath)
                         .arg(slide.line)
                         .arg(slide.title));
                return false;
            }
        }
        painter.end();

        if (QFileInfo(outPath).size() <= 0) {
            fail(u"%1: nothing was written"_s.arg(outPath));
            return false;
        }
        return true;
    }

private:
    QFont font(qreal pt, bool bold = false) const
    {
        QFont f(m_family);
        f.setPointSizeF(pt);
        f.setBold(bold);
        f.setHintingPreference(QFont::PreferNoHinting);
        return f;
    }

    // Draws wrapped text into the box's width from its top; returns the height used.
    static qreal drawWrapped(QPainter &p, const QRectF &box, int align, const QString &text)
    {
        const int flags = align | Qt::TextWordWrap;
        const QRectF used = p.boundingRect(box, flags, text);
        p.drawText(QRectF(box.left(), box.top(), box.width(), used.height()), flags, text);
        return used.height();
    }

    // The largest font size, in steps of 1 pt, at which the text fits the box's height; 0 if none.
    qreal fittingSize(QPainter &p, const QRectF &box, const QString &text, qreal from, qreal to, bool bold) const
    {
        for (qreal pt = from; pt >= to; pt -= 1) {
            p.setFont(font(pt, bold));
            if (p.boundingRect(box, Qt::AlignLeft | Qt::TextWordWrap, text).height() <= box.height())
                return pt;
        }
        return 0;
    }

    void drawTitleSlide(QPainter &p, const Deck &deck) const
    {
        p.fillRect(QRectF(0, 0, PageW, PageH), Qt::white);
        p.fillRect(QRectF(0, 0, PageW, 360), Navy);
        p.fillRect(QRectF(0, 360, PageW, 6), Accent);

        const QRectF titleBox(Margin + 20, 70, PageW - 2 * (Margin + 20), 190);
        qreal pt = fittingSize(p, titleBox, deck.title, 40, 20, true);
        if (pt == 0)
            pt = 20; // a title never fails the build: it is clipped at worst
        p.setFont(font(pt, true));
        p.setPen(Qt::white);
        const qreal titleH = p.boundingRect(titleBox, Qt::AlignLeft | Qt::TextWordWrap, deck.title).height();
        // Centre the title block vertically in its box.
        const QRectF centred(titleBox.left(), titleBox.top() + (titleBox.height() - titleH) / 2, titleBox.width(),
                             titleH);
        p.drawText(centred, Qt::AlignLeft | Qt::TextWordWrap, deck.title);

        p.setFont(font(18));
        p.setPen(PaleBlue);
        qreal y = 280;
        for (const QString &line : deck.subtitle)
            y += drawWrapped(p, QRectF(Margin + 20, y, PageW - 2 * (Margin + 20), 60), Qt::AlignLeft, line) + 4;

        const QStringList course{u"Веланика: психология и педагогика высшей школы"_s,
                                 u"Учебный курс для магистрантов"_s, u"Кафедра психологии и педагогики"_s};
        p.setFont(font(16));
        p.setPen(Grey);
        for (qsizetype i = 0; i < course.size(); ++i)
            p.drawText(QRectF(Margin + 20, 410 + 28 * qreal(i), PageW - 2 * (Margin + 20), 28), Qt::AlignLeft,
                       course.at(i));
        p.fillRect(QRectF(Margin + 20, 400 - 8, 60, 3), Navy);
    }

    // Height of the items at body size pt, or the drawing of them when draw is set.
    qreal layoutItems(QPainter &p, const QList<Item> &items, qreal pt, bool draw) const
    {
        const qreal width = PageW - 2 * Margin;
        qreal y = BodyTop;
        for (const Item &item : items) {
            const bool sub = item.kind == ItemKind::SubBullet;
            const qreal size = sub ? pt * 0.85 : pt;
            const qreal indent = item.kind == ItemKind::Paragraph ? 0 : (sub ? 2.4 * pt : 1.1 * pt);
            p.setFont(font(size));
            const QRectF box(Margin + indent, y, width - indent, PageH);
            qreal h = 0;
            if (draw) {
                if (item.kind != ItemKind::Paragraph) {
                    p.setPen(Accent);
                    p.drawText(QRectF(box.left() - size, y, size, size * 1.5), Qt::AlignLeft, sub ? u"–"_s : u"•"_s);
                }
                p.setPen(Ink);
                h = drawWrapped(p, box, Qt::AlignLeft, item.text);
            } else {
                h = p.boundingRect(box, Qt::AlignLeft | Qt::TextWordWrap, item.text).height();
            }
            y += h + (sub ? 0.3 : 0.55) * pt;
        }
        return y - BodyTop;
    }

    bool drawContentSlide(QPainter &p, const Slide &slide, const QString &footer, int number, int total) const
    {
        p.fillRect(QRectF(0, 0, PageW, PageH), Qt::white);
        p.fillRect(QRectF(0, 0, PageW, HeaderH), Navy);
        p.fillRect(QRectF(0, HeaderH, PageW, 4), Accent);

        const QRectF titleBox(Margin, 10, PageW - 2 * Margin, HeaderH - 20);
        const qreal titlePt = fittingSize(p, titleBox, slide.title, 26, 14, true);
        if (titlePt == 0)
            return false;
        p.setFont(font(titlePt, true));
        p.setPen(Qt::white);
        p.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, slide.title);

        qreal pt = MaxBodyPt;
        while (layoutItems(p, slide.items, pt, false) > BodyBottom - BodyTop) {
            pt -= 1;
            if (pt < MinBodyPt)
                return false;
        }
        layoutItems(p, slide.items, pt, true);

        p.setPen(QPen(PaleBlue, 1));
        p.drawLine(QPointF(Margin, FooterY), QPointF(PageW - Margin, FooterY));
        p.setFont(font(10));
        p.setPen(Grey);
        const QRectF footerBox(Margin, FooterY + 8, PageW - 2 * Margin, 20);
        p.drawText(footerBox, Qt::AlignLeft | Qt::AlignTop, footer);
        p.drawText(footerBox, Qt::AlignRight | Qt::AlignTop, u"%1 / %2"_s.arg(number).arg(total));
        return true;
    }

    QString m_family;
};

// A family that can show Cyrillic: the preferred ones first, else any that the system has.
QString pickFamily()
{
    const QStringList cyrillic = QFontDatabase::families(QFontDatabase::Cyrillic);
    for (const QString &preferred : {u"DejaVu Sans"_s, u"Liberation Sans"_s, u"Noto Sans"_s}) {
        if (cyrillic.contains(preferred))
            return preferred;
    }
    return cyrillic.isEmpty() ? QString() : cyrillic.first();
}

} // namespace

int main(int argc, char *argv[])
{
    // Runs during the build, where there is no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 3) {
        fail(u"usage: mkpresent <outdir> <src.txt>..."_s);
        return 2;
    }
    const QDir outDir(args.at(1));
    if (!outDir.exists()) {
        fail(u"%1: no such folder"_s.arg(args.at(1)));
        return 1;
    }
    const QString family = pickFamily();
    if (family.isEmpty()) {
        fail(u"no font with Cyrillic letters found (install fonts-dejavu-core)"_s);
        return 1;
    }

    Renderer renderer(family);
    QSet<QString> written;
    for (qsizetype i = 2; i < args.size(); ++i) {
        const QString &source = args.at(i);
        const QString name = QFileInfo(source).completeBaseName() + u".pdf"_s;
        // Two sources with one name would silently overwrite each other's slides.
        if (written.contains(name)) {
            fail(u"%1: a second source for %2"_s.arg(source, name));
            return 1;
        }
        const std::optional<Deck> deck = parseSource(source);
        if (!deck)
            return 1;
        if (!renderer.render(*deck, source, outDir.filePath(name)))
            return 1;
        written.insert(name);
    }
    return 0;
}
