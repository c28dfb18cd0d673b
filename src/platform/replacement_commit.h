#pragma once

// How a file is put in place, alone or with others, once for both systems:
// included by each system's side after its ReplacementFile::Impl, whose steps
// (prepare, keepOld, place, restore, dropKept, discard, finish, fail) and
// nameTaken() it takes in this order.
#include <vector>

#include "platform/replacement_file.h"

namespace zt {

bool ReplacementFile::commit() {
    if (d_->kind == Kind::New) {
        d_->prepare();
        const auto error = d_->place();
        if (nameTaken(error)) {
            d_->discard();
            return false;
        }
        if (error != 0) {
            d_->fail("ファイルを保存できません: %1（%2）", error);
        }
        d_->finish();
        return true;
    }
    commitTogether({this});
    return true;
}

void commitTogether(std::initializer_list<ReplacementFile*> files) {
    for (ReplacementFile* file : files) {
        file->d_->prepare();
    }
    for (ReplacementFile* file : files) {
        file->d_->keepOld();
    }
    std::vector<ReplacementFile::Impl*> placed;
    for (ReplacementFile* file : files) {
        if (const auto error = file->d_->place(); error != 0) {
            for (ReplacementFile::Impl* earlier : placed) {
                earlier->restore();
            }
            for (ReplacementFile* each : files) {
                each->d_->dropKept();
            }
            file->d_->fail("ファイルを保存できません: %1（%2）", error);
        }
        placed.push_back(file->d_.get());
    }
    for (ReplacementFile* file : files) {
        file->d_->finish();
    }
}

}  // namespace zt
