#include "player/ui/media_player.h"

namespace vocna {

void CMediaPlayer2::SetFileName(const std::string& name) {
    if (dialog_) dialog_->SetItemProperty(id_, kFileNameDispatchId, name);
}

}  // namespace vocna
