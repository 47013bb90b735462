#pragma once

// Services with counted users: an explicit engine that its first user starts and its last user
// stops again. Users register with UseLock and leave with UseUnlock; the service hears of users
// coming, leaving and changing their parameters through onUserChange. vbUseService is the
// user's guard: while it holds a service it also holds the engine centre's use lock.

#include "vbArray.h"
#include "vbEngine.h"
#include "vbExport.h"

extern VBAPI const IID IID_vbService;

class VBAPI vbService : public vbEngine {
public:
    // label must outlive the service (a string constant).
    vbService(const char* label, const vbEngineDeps& deps);
    // Logs users still listed; subclasses call Destroy first, as for every engine.
    ~vbService() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The first user starts the service; later ones are announced with onUserChange(-index).
    void UseLock(sIvbBase* user);
    // A user leaves (onUserChange(0)); the last one stops the service, retrying up to 50 times
    // while the calling thread's messages are pumped.
    void UseUnlock(sIvbBase* user);
    // The user changed its parameters: onUserChange(index).
    void UpdateLock(sIvbBase* user);
    // The user's index in the list (from 1), 0 when absent.
    int getLockInfo(sIvbBase* user);

protected:
    void onStart() override;
    bool onStop(bool bForce) override;
    bool onCanStop() const override;

    // The service's own work.
    virtual void onServiceStart();
    virtual bool onServiceStop(bool bForce);
    virtual void onUserChange(int change);

private:
    int indexOf(sIvbBase* user) const;

    vbArray<sIvbBase*> m_users;
    bool m_bStartedByUsers = false;
};

// Holds the engine centre's use lock and one service's user place.
class VBAPI vbUseService : public vbUseEngineCenter {
public:
    vbUseService() = default;
    explicit vbUseService(vbService* service);
    // Leaves the service; shows (never throws) what goes wrong.
    ~vbUseService() override;

    // Leaves the service held (if another) and uses this one.
    void StartUse(vbService* service);
    void StopUse();

protected:
    void updateServiceParams();

private:
    vbService* m_pService = nullptr;
};
