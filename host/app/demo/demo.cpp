// The program korvan-host debugs when it is given none: a few values of the
// types the built-in printers know (Qt, the standard library, Boost).

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <boost/optional.hpp>
#include <boost/shared_ptr.hpp>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

template <typename T>
static void use(const T &) {}

int main()
{
    QString greeting = QStringLiteral("Hello, Korvan");
    QStringList colours{QStringLiteral("red"), QStringLiteral("green"), QStringLiteral("blue")};
    QList<int> primes{2, 3, 5, 7};
    QMap<int, QString> numbers{{1, QStringLiteral("one")}, {2, QStringLiteral("two")}};
    std::string name = "demo";
    std::vector<double> samples{0.5, 1.5, 2.5};
    std::map<std::string, int> ages{{"ada", 36}, {"alan", 41}};
    boost::optional<int> answer = 42;
    boost::shared_ptr<int> shared(new int(7));

    std::printf("ready\n"); // korvan-host stops here
    use(greeting); use(colours); use(primes); use(numbers); use(name); use(samples); use(ages);
    use(answer); use(shared);
    return 0;
}
