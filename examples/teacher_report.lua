-- A report for Report > Run a scripted report...: each teacher's appointments on every day
-- of the event, in time order.
function main()
    qm_output(qm_event_name())
    for day = 0, qm_numdays() - 1 do
        qm_selectday(day)
        qm_output("")
        qm_output("Day " .. (day + 1) .. ": " .. qm_event_date())
        for _, teacher in ipairs(qm_teachers()) do
            -- A booking longer than one slot is listed for each of its slots: show it once.
            local lines, last = {}, nil
            for _, a in ipairs(qm_appointments(teacher)) do
                local key = tostring(a.pupil) .. "/" .. a.subject
                if key ~= last then
                    lines[#lines + 1] = "  " .. a.time12h .. "  " .. qm_personname(a.pupil) ..
                                        "  " .. a.subject
                end
                last = key
            end
            qm_output(qm_personname(teacher) .. " (" .. #lines .. ")")
            for _, text in ipairs(lines) do qm_output(text) end
        end
    end
    return 1
end
