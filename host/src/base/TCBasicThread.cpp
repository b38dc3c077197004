#include "base/TCWaitSet.h"

#include <cstdio>
#include <exception>
#include <pthread.h>

TCBasicThread::TCBasicThread() : m_WaitSet(std::make_shared<TCWaitSet>()) {}

TCBasicThread::~TCBasicThread() {
    RequestStopAndJoin();
}

void TCBasicThread::CreateThread(const std::string& name, int priority) {
    m_Name = name;
    m_Priority = priority;
}

void TCBasicThread::Resume() {
    std::lock_guard<std::mutex> lock(m_ControlMutex);
    if (m_Running.load()) return;
    if (m_Thread.joinable()) m_Thread.join(); // finished after an earlier run
    m_StopRequested = false;
    m_Running = true;
    m_Thread = std::thread(&TCBasicThread::Run, this);
    if (!m_Name.empty()) {
        // The kernel keeps at most 15 characters of a thread name.
        pthread_setname_np(m_Thread.native_handle(), m_Name.substr(0, 15).c_str());
    }
}

void TCBasicThread::Stop() {
    m_StopRequested = true;
    m_WaitSet->Notify();
    if (std::this_thread::get_id() == m_WorkerId.load()) return; // joining itself would deadlock
    std::lock_guard<std::mutex> lock(m_ControlMutex);
    if (m_Thread.joinable()) m_Thread.join();
}

void TCBasicThread::RequestStopAndJoin() {
    m_StopRequested = true;
    m_WaitSet->Notify();
    std::lock_guard<std::mutex> lock(m_ControlMutex);
    if (!m_Thread.joinable()) return;
    if (m_Thread.get_id() == std::this_thread::get_id())
        m_Thread.detach();
    else
        m_Thread.join();
}

void TCBasicThread::AddWait(int index, TCSignalEventObject& event) {
    TCWaitSet::Register(m_WaitSet, index, event);
}

int TCBasicThread::WaitObjects(int timeoutMs) {
    return m_WaitSet->Wait(timeoutMs, m_StopRequested);
}

void TCBasicThread::Run() {
    m_WorkerId = std::this_thread::get_id();
    // An exception leaving a std::thread ends the process; report it and still shut down cleanly.
    try {
        Execute();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "thread %s: Execute failed: %s\n", m_Name.c_str(), e.what());
    }
    try {
        Shutdown();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "thread %s: Shutdown failed: %s\n", m_Name.c_str(), e.what());
    }
    m_WorkerId = std::thread::id();
    m_Running = false;
}
