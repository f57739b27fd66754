#include "frameprocedures.h"

#include "infowindows.h"
#include "procedures.h"
#include "remind.h"
#include "showdoc.h"
#include "startedwindow.h"

namespace tavimo {

namespace {

template <typename Window>
void addWindow(const char *name)
{
    Procedures::instance().add(QString::fromLatin1(name), [](std::shared_ptr<ThreadContext> context, QWidget *) {
        startWindowIn<Window>(std::move(context));
    });
}

} // namespace

void registerFrameProcedures()
{
    addWindow<ShowDoc>("showdoc");
    addWindow<Remind>("remind");
    addWindow<AboutWindow>("about");
    addWindow<DonationWindow>("donation");
    addWindow<LinksWindow>("links");
    addWindow<SubscriptionWindow>("subscription");
}

} // namespace tavimo
